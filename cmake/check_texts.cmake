# Fails when code hands the operator a text of its own: a quoted text in a call of a box,
# question, input box or folder dialog, or in a dialog's title, outside the catalogue of
# messages (screen/messages.h) and the platform's own texts. Such texts belong in the
# catalogue, where the tests' check and the operator's guide find them.
# Run as: cmake -DROOT=<source dir> -P check_texts.cmake
file(GLOB_RECURSE sources RELATIVE ${ROOT}/src ${ROOT}/src/*.h ${ROOT}/src/*.cpp)
set(problems "")
foreach(source IN LISTS sources)
  if(source MATCHES "^(screen|platform|sim|adapter_process)/" OR source MATCHES "^ui/qt_operator")
    continue()
  endif()
  file(STRINGS ${ROOT}/src/${source} lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^[ \t]*//")
      continue()
    endif()
    if(line MATCHES "(\\.|->)(Show|Ask|Input|ChooseFolder)\\([^;]*\"" OR
       line MATCHES "\\.Title = \"" OR line MATCHES "(FileDialogRequest|FolderDialogRequest)\\{\"")
      string(APPEND problems "  ${source}:${number}: ${line}\n")
    endif()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "Texts shown that are not taken from the catalogue of messages:\n${problems}")
endif()
list(LENGTH sources count)
message(STATUS "No text of its own is shown by ${count} sources")
