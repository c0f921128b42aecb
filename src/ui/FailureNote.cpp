#include "ui/FailureNote.h"

#include "storage/OrbekoDB.h"

namespace {

const TOrbekoDB* Named = nullptr;

}  // namespace

TFailureNote::TFailureNote(const TOrbekoDB& db) : Former_(Named)
{
    Named = &db;
}

TFailureNote::~TFailureNote()
{
    Named = Former_;
}

std::string TFailureNote::Explain(const std::string& message)
{
    return Named ? Named->Diagnosed(message) : message;
}
