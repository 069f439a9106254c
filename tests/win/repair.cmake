# Tests of the rich-edit library restore and the network repair, on the stand-ins of
# standins.cmake: the library payload, the "net" command and svrapi.dll.
fragment_needs(standin_net standin_svrapi)

add_cleaner_test(test_rich_edit test_rich_edit.cpp ${STANDIN_PAYLOAD_RC})
target_compile_definitions(test_rich_edit PRIVATE EXPECT_PAYLOAD=1)
add_cleaner_test(test_rich_edit_no_payload test_rich_edit.cpp)
target_compile_definitions(test_rich_edit_no_payload PRIVATE EXPECT_PAYLOAD=0)

add_executable(network_repair_probe network_repair_probe.cpp)
target_link_libraries(network_repair_probe PRIVATE cleaner_core)
set_target_properties(network_repair_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STANDIN_DIR})

add_cleaner_test(test_network_repair test_network_repair.cpp)
add_dependencies(test_network_repair standin_net standin_svrapi)
target_compile_definitions(test_network_repair PRIVATE
    STANDIN_NET="$<TARGET_FILE:standin_net>" STANDIN_SVRAPI="$<TARGET_FILE:standin_svrapi>")
# The test loads the stand-in by path and runs the stand-in net from the system folder;
# Wine must not put its own svrapi or net in their place.
set_tests_properties(test_network_repair PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=svrapi,net.exe=n")

add_test(NAME e2e_network_repair
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_network_repair.py ${STANDIN_DIR} ${DECOY_DIR})
add_test(NAME e2e_rich_edit_9x
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_rich_edit_9x.py $<TARGET_FILE:test_rich_edit>)
# The prefixes of these runs go into this build tree.
set_tests_properties(e2e_network_repair e2e_rich_edit_9x PROPERTIES
    ENVIRONMENT "BUILD_ROOT=${CMAKE_BINARY_DIR}/..")
