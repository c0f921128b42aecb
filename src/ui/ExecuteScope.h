#pragma once

#include <functional>
#include <utility>
#include <vector>

// Binds what a dialog's Execute works on to the dialog's members for one run
// and puts the members back as they were when the scope ends, on every path
// (OK, Cancel, an exception). Bindings are released in reverse order, and a
// nested run (the same dialog opened again from inside itself) gets its
// caller's bindings back.
//
//     int TfrmUsers::Execute(TOrbekoDB& db, TUserRec& user)
//     {
//         TExecuteScope scope;
//         scope.Bind(Db_, &db).Bind(User_, &user);
//         scope.OnRelease([this] { lstUsers->clear(); });
//         FillUsers();
//         return TDialogRunner::Run(*this);
//     }
class TExecuteScope
{
public:
    TExecuteScope() = default;
    ~TExecuteScope()
    {
        for (auto release = Releases_.rbegin(); release != Releases_.rend(); ++release)
            (*release)();
    }
    TExecuteScope(const TExecuteScope&) = delete;
    TExecuteScope& operator=(const TExecuteScope&) = delete;

    // member takes value for the run.
    template <class T, class U> TExecuteScope& Bind(T& member, U&& value)
    {
        Releases_.push_back([&member, former = member]() mutable { member = std::move(former); });
        member = std::forward<U>(value);
        return *this;
    }

    // Runs release when the scope ends, after the releases added later.
    TExecuteScope& OnRelease(std::function<void()> release)
    {
        Releases_.push_back(std::move(release));
        return *this;
    }

private:
    std::vector<std::function<void()>> Releases_;
};
