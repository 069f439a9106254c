# Tests of the ransomware cure's worker: the worker and the uninstall command resolution
# against windows and files of the test program, and the uninstaller stage end to end in
# a prefix of its own, with a test uninstaller that asks its question.
add_executable(cure_worker_tests cure_worker_test.cpp cure_uninstall_command_test.cpp)
target_link_libraries(cure_worker_tests PRIVATE cure_core gtest gtest_main)
add_test(NAME cure_worker_tests COMMAND cure_worker_tests)

add_executable(cure_test_uninstaller WIN32 cure_test_uninstaller.cpp)
target_compile_definitions(cure_test_uninstaller PRIVATE UNICODE _UNICODE)
target_link_options(cure_test_uninstaller PRIVATE -municode)
target_link_libraries(cure_test_uninstaller PRIVATE user32)

add_executable(cure_stage_runner cure_stage_runner.cpp)
target_link_options(cure_stage_runner PRIVATE -municode)
target_link_libraries(cure_stage_runner PRIVATE cure_core)

add_test(NAME cure_uninstaller_stage
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/cure_uninstaller_stage.py
                 $<TARGET_FILE:cure_stage_runner> $<TARGET_FILE:cure_test_uninstaller>)
