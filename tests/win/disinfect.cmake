# Worm program detection, host restore and web page cleaning, on files in a temporary folder.
add_cleaner_test(test_disinfect ${CMAKE_CURRENT_SOURCE_DIR}/test_disinfect.cpp)
