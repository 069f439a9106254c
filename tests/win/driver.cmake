# The cleaner's driver, console dialogue and deferred file operations.
add_library(defer_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/defer_test_support.cpp)
target_link_libraries(defer_test_support PUBLIC advapi32)

add_cleaner_test(test_defer_ops ${CMAKE_CURRENT_LIST_DIR}/test_defer_ops.cpp)
target_link_libraries(test_defer_ops PRIVATE defer_test_support)

# The same operations on the 9x family: a prefix of its own must report that family before
# the program starts, so a script runs this one (not ctest directly).
add_executable(defer_ops_9x ${CMAKE_CURRENT_LIST_DIR}/defer_ops_9x.cpp)
target_link_libraries(defer_ops_9x PRIVATE cleaner_core defer_test_support gtest gtest_main)
add_test(NAME defer_ops_9x
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_defer_9x.py $<TARGET_FILE:defer_ops_9x>)

# The console dialogue, typed into a pseudo-terminal, in a prefix of its own.
add_test(NAME console_dialogue
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_console_dialogue.py $<TARGET_FILE:pemvolt>)

# The key reader, on key events written into the test program's own console input: the
# program needs a console, so it runs in a pseudo-terminal.
add_executable(test_console_keys ${CMAKE_CURRENT_LIST_DIR}/test_console_keys.cpp)
target_link_libraries(test_console_keys PRIVATE cleaner_core gtest gtest_main)
add_test(NAME test_console_keys
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/run_in_terminal.py $<TARGET_FILE:test_console_keys>)
