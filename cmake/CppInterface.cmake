# The C++ interface (include/vonkel/vonkel.hpp, header-only, Windows), its tests under Wine,
# its example, and the reference built by Doxygen. Included once from the top level, after
# the tests' helpers and the examples.

if(WIN32)
    # What a consumer of the header links: the DLL's import library, user32 (the
    # dispatch thread's message window) and advapi32 (the settings' reset).
    add_library(vonkel_cpp INTERFACE)
    target_include_directories(vonkel_cpp INTERFACE ${CMAKE_SOURCE_DIR}/include)
    target_link_libraries(vonkel_cpp INTERFACE VonkelSdk user32 advapi32)
    target_compile_features(vonkel_cpp INTERFACE cxx_std_17)
    # The name the installed package gives it, for the examples.
    add_library(VonkelSdk::Cpp ALIAS vonkel_cpp)

    if(VONKEL_TESTS)
        # Two simulated cameras with a gap between them, for the device list.
        vonkel_gtest(win_cpp_tests ${CMAKE_SOURCE_DIR}/tests/cpp/camera_test.cpp LIBS vonkel_cpp advapi32
                     PROPERTIES RESOURCE_LOCK wine_shared ENVIRONMENT VONKEL_SIMULATE_DEVICES=0,2)
        target_compile_options(win_cpp_tests PRIVATE -Wpedantic -Werror)
    endif()

    # examples/CMakeLists.txt may add this folder itself.
    if(NOT TARGET cpp_stream)
        add_subdirectory(${CMAKE_SOURCE_DIR}/examples/cpp ${CMAKE_BINARY_DIR}/examples/cpp)
    endif()
    target_compile_options(cpp_stream PRIVATE -Wpedantic -Werror)

    # The reference: Doxygen over the two headers and the pages of docs/, every warning
    # an error (an undocumented export fails it).
    if(VONKEL_TESTS)
        add_test(NAME reference_docs COMMAND ${CMAKE_SOURCE_DIR}/scripts/docs.sh ${CMAKE_BINARY_DIR}/reference)
        set_tests_properties(reference_docs PROPERTIES LABELS docs TIMEOUT 120)
    endif()
endif()
