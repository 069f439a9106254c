# Stopping the worm's processes and services: the test programs that stand in for the worm
# (a sleeper copied under a component's name, a real service, a performance provider that
# publishes the process object Wine lacks), the step run by itself, and the end-to-end runs.
set(PROCESSES_DIR ${CMAKE_CURRENT_LIST_DIR}/processes)

add_executable(proc_sleeper ${PROCESSES_DIR}/sleeper.cpp)
add_executable(proc_test_service ${PROCESSES_DIR}/test_service.cpp)
target_link_libraries(proc_test_service PRIVATE advapi32)

add_library(perf_provider SHARED ${PROCESSES_DIR}/perf_provider.cpp ${PROCESSES_DIR}/perf_provider.def)
set_target_properties(perf_provider PROPERTIES PREFIX "")
target_link_libraries(perf_provider PRIVATE test_common)

add_executable(stop_probe ${PROCESSES_DIR}/stop_probe.cpp)
target_link_libraries(stop_probe PRIVATE cleaner_core)


add_test(NAME e2e_stop_components
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_stop_components.py $<TARGET_FILE_DIR:stop_probe>)
set_tests_properties(e2e_stop_components PROPERTIES TIMEOUT 300 ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")

add_test(NAME e2e_stop_services
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_stop_services.py $<TARGET_FILE_DIR:stop_probe>)
set_tests_properties(e2e_stop_services PROPERTIES TIMEOUT 300 ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")

add_test(NAME e2e_pemvolt_stops_components
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_pemvolt_stops_components.py
                 $<TARGET_FILE:pemvolt> $<TARGET_FILE_DIR:stop_probe>)
set_tests_properties(e2e_pemvolt_stops_components PROPERTIES TIMEOUT 900 ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")

add_cleaner_test(test_process_list ${PROCESSES_DIR}/test_process_list.cpp)
