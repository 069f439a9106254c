# Tests of trevalin: the dialog, the window framework and the resources in-process, and
# the whole program under Xvfb in a prefix of its own.
trevalin_resources(CURE_DIALOG_TEST_RESOURCES test_cure_dialog)
add_executable(test_cure_dialog
    ${CMAKE_CURRENT_SOURCE_DIR}/test_cure_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/test_cure_framework.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/test_cure_resources.cpp
    ${CURE_DIALOG_TEST_RESOURCES})
target_link_libraries(test_cure_dialog PRIVATE cure_core gtest gtest_main)
add_test(NAME test_cure_dialog COMMAND test_cure_dialog)

# Reads the dialog from outside, types into it, and plays the family's window.
add_executable(trevalin_probe ${CMAKE_CURRENT_SOURCE_DIR}/trevalin_probe.cpp)
target_compile_definitions(trevalin_probe PRIVATE UNICODE _UNICODE)
target_link_options(trevalin_probe PRIVATE -municode)
target_link_libraries(trevalin_probe PRIVATE user32)

# The family's uninstaller, as the whole-program tests install it.
add_executable(family_uninstaller WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/family_uninstaller.cpp)
target_link_options(family_uninstaller PRIVATE -municode)
target_link_libraries(family_uninstaller PRIVATE user32 shell32)

# The program without its dialog template.
add_trevalin_program(trevalin_no_dialog TREVALIN_WITHOUT_DIALOG)

# A library planted beside the program, in a folder of its own so that no test
# program here finds it.
add_library(planted_library SHARED ${CMAKE_CURRENT_SOURCE_DIR}/planted_library.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/planted_library.def)
set_target_properties(planted_library PROPERTIES OUTPUT_NAME msimg32 PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/planted)
target_link_libraries(planted_library PRIVATE gdi32)
add_test(NAME e2e_trevalin_planted_library
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_trevalin_planted_library.py
        $<TARGET_FILE:trevalin> $<TARGET_FILE:trevalin_probe> $<TARGET_FILE:planted_library>)
set_tests_properties(e2e_trevalin_planted_library PROPERTIES TIMEOUT 300)

add_test(NAME e2e_trevalin_dialog
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/test_trevalin_dialog.py
        $<TARGET_FILE:trevalin> $<TARGET_FILE:trevalin_no_dialog> $<TARGET_FILE:trevalin_probe>
        $<TARGET_FILE:family_uninstaller>)
set_tests_properties(e2e_trevalin_dialog PROPERTIES TIMEOUT 600)
