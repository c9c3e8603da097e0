# cmake -DBINARY=<executable> -P CheckExportedSymbols.cmake
# Fails when the executable exports a function (a dynamic symbol of type T or
# W that it defines): a shared library could bind to it instead of its own.
execute_process(COMMAND nm -D --defined-only ${BINARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${BINARY}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [TWi] [^\n]+" functions "${symbols}")
list(LENGTH functions count)
if(count GREATER 0)
    string(REPLACE ";" "\n" listed "${functions}")
    message(FATAL_ERROR "${BINARY} exports ${count} function(s):\n${listed}")
endif()
message(STATUS "${BINARY} exports no functions")
