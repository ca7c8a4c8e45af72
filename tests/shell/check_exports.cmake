# cmake -DLIBRARY=path -DTOOL=nm|objdump -P check_exports.cmake
# Fails unless the library exports exactly the six entry points of the COM server.
set(expected AdditionalInfoRegister CallDllFX_AdditionalInfoRegister DllCanUnloadNow DllGetClassObject
    DllRegisterServer DllUnregisterServer)
if(TOOL MATCHES "objdump")
  execute_process(COMMAND ${TOOL} -p ${LIBRARY} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${table}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_0-9@]+" found "${table}")
  list(TRANSFORM found REPLACE "^\\[ *[0-9]+\\] " "")
else()
  execute_process(COMMAND ${TOOL} -D --defined-only --format=posix ${LIBRARY} OUTPUT_VARIABLE table
                  RESULT_VARIABLE failed)
  string(REGEX MATCHALL "(^|\n)[^ \n]+" found "${table}")
  list(TRANSFORM found STRIP)
endif()
list(SORT found)
if(failed OR NOT found STREQUAL expected)
  message(FATAL_ERROR "exports of ${LIBRARY}:\n  ${found}\nexpected:\n  ${expected}")
endif()
