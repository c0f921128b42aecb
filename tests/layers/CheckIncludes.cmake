# Fails when a source file includes across a forbidden direction of the
# layers: each rule names the folders it holds for (a regular expression on
# the path below src/) and the includes they must not make.
#   cmake -DSOURCE_DIR=<project>/src -P CheckIncludes.cmake
set(rules
  # Only a home includes its engine's header.
  "^(?!kfstore/folder/) :: <sqlite3\\.h> :: SQLite is the folder home's alone"
  "^(?!kfstore/server/) :: <libpq-fe\\.h> :: libpq is the server home's alone"
  # The store knows nothing of the diary, of Qt or of the program.
  "^kfstore/ :: \"(storage|seam|ui|views|prefs|events|admin|report|app|ical|cli)/ :: the store sits below the diary"
  "^kfstore/ :: <Q[A-Za-z]+> :: the store does not use Qt"
  # One home never reaches into the other.
  "^kfstore/folder/ :: \"kfstore/server/ :: the folder home does not use the server home"
  "^kfstore/server/ :: \"kfstore/folder/ :: the server home does not use the folder home"
  # The diary's database and the seams include no widgets code.
  "^(storage|seam)/ :: \"(ui|views|prefs|events|admin|report|app|cli)/ :: the storage layer includes no widgets code"
  "^(storage|seam)/ :: <Q(Widget|Dialog|Application|MessageBox|Action|Menu|Painter)[A-Za-z]*> :: the storage layer uses no widgets"
  # Our adapter to Qt and the views know nothing of the windows above them.
  "^ui/ :: \"(views|prefs|events|admin|report|app|cli|ical)/ :: ui is below every window"
  "^views/ :: \"(ui|prefs|events|admin|report|app|cli|ical)/ :: the views are fed, they reach for nothing"
  # Neither the iCalendar code nor the admin tool uses widgets.
  "^(ical|cli)/ :: \"(ui|views|prefs|events|admin|report|app)/ :: no widgets in the command-line tool"
)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(broken 0)
foreach(file ${files})
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(rule ${rules})
    string(REGEX MATCH "^(.*) :: (.*) :: (.*)$" parts "${rule}")
    set(where "${CMAKE_MATCH_1}")
    set(what "${CMAKE_MATCH_2}")
    set(why "${CMAKE_MATCH_3}")
    # CMake's expressions have no look-ahead: "^(?!x)" means "not below x".
    if(where MATCHES "^\\^\\(\\?!(.*)\\)$")
      set(applies TRUE)
      if(file MATCHES "^${CMAKE_MATCH_1}")
        set(applies FALSE)
      endif()
    elseif(file MATCHES "${where}")
      set(applies TRUE)
    else()
      set(applies FALSE)
    endif()
    if(NOT applies)
      continue()
    endif()
    foreach(line ${includes})
      if(line MATCHES "${what}")
        message(SEND_ERROR "src/${file}: ${line}: ${why}")
        set(broken 1)
      endif()
    endforeach()
  endforeach()
endforeach()
if(broken)
  message(FATAL_ERROR "includes cross a forbidden direction")
endif()
