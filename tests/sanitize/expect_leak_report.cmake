# Runs PROGRAM, which leaks one allocation on purpose, and fails unless the sanitizer build
# reports that leak: a non-zero exit and LeakSanitizer's report naming LeakOnPurpose.
execute_process(COMMAND "${PROGRAM}" RESULT_VARIABLE code OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(code EQUAL 0)
  message(FATAL_ERROR "the leak went unreported: exit code 0\n${errors}")
endif()
if(NOT errors MATCHES "LeakSanitizer: detected memory leaks" OR NOT errors MATCHES "LeakOnPurpose")
  message(FATAL_ERROR "no LeakSanitizer report names the leak (exit ${code}):\n${errors}")
endif()
