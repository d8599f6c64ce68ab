# Test executables. Portable unit tests (tests/unit/<area>) build natively and for
# Windows, where CTest runs them under Wine through the cross-compiling emulator.
# Tests of the DLL itself (tests/win) build for Windows only.
include(GoogleTest)

set(GTEST_SRC /usr/src/googletest CACHE PATH "googletest source tree (Debian package googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(WIN32)
    set(WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
    add_test(NAME wine_env_up COMMAND ${WINE_RUN} --setup)
    add_test(NAME wine_env_down COMMAND ${WINE_RUN} --teardown)
    set_tests_properties(wine_env_up PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 300 LABELS wine)
    set_tests_properties(wine_env_down PROPERTIES FIXTURES_CLEANUP wine_env LABELS wine)
    set(VONKEL_TEST_LABEL wine)
    set(VONKEL_TEST_FIXTURE FIXTURES_REQUIRED wine_env)
    # The unit tests take the exported functions statically, not through the DLL.
    set(VONKEL_STATIC_SDK vonkel_exports)
else()
    set(VONKEL_TEST_LABEL native)
    set(VONKEL_TEST_FIXTURE)
    set(VONKEL_STATIC_SDK vonkel_native_sdk)
endif()

# vonkel_gtest(<name> <sources...> [OWN_MAIN] [LIBS <libs...>] [PROPERTIES <ctest properties...>])
function(vonkel_gtest name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN" "" "LIBS;PROPERTIES")
    add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gmock)
    if(NOT arg_OWN_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120   # the first Wine run may create the prefix
        PROPERTIES LABELS ${VONKEL_TEST_LABEL} TIMEOUT 120 ${VONKEL_TEST_FIXTURE} ${arg_PROPERTIES})
endfunction()

file(GLOB VONKEL_UNIT_AREAS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*)
foreach(dir IN LISTS VONKEL_UNIT_AREAS)
    if(IS_DIRECTORY ${dir})
        get_filename_component(area ${dir} NAME)
        file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
        # Under Wine every process sees the one device-ownership table (and the DLL tests
        # own the desktop and the registry): tests that capture take turns with them.
        set(props)
        if(WIN32 AND area MATCHES "^(acquisition|api|camera|processing)$")
            set(props PROPERTIES RESOURCE_LOCK wine_shared)
        endif()
        if(srcs)
            vonkel_gtest(unit_${area} ${srcs} ${CMAKE_SOURCE_DIR}/tests/support/TestMain.cpp OWN_MAIN
                         LIBS ${VONKEL_STATIC_SDK} vonkel_core ${props})
        endif()
    endif()
endforeach()

# The still image files of the output tests are read back by Pillow and ImageMagick.
set(VONKEL_PYTHON /usr/bin/python3 CACHE FILEPATH "Python with Pillow, for the checks of still image files")
set(VONKEL_STILL_CHECKER ${VONKEL_PYTHON} ${CMAKE_SOURCE_DIR}/tests/support/check_still_files.py)
if(TARGET unit_output AND NOT WIN32)
    list(JOIN VONKEL_STILL_CHECKER " " checker)
    target_compile_definitions(unit_output PRIVATE VONKEL_STILL_CHECKER="${checker}")
endif()

if(WIN32)
    # Tests through the DLL's export table, as an application sees it. Own main: the
    # executable doubles as the child process of the tests that need two processes. They
    # share windows, the registry and the ownership table: one at a time.
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
    vonkel_gtest(win_dll_tests ${srcs} OWN_MAIN LIBS VonkelSdk user32 gdi32 advapi32
                 PROPERTIES RESOURCE_LOCK wine_shared)
    target_include_directories(win_dll_tests PRIVATE ${CMAKE_SOURCE_DIR}/include)
    # The Japanese dialogs: the same program once more, with Wine's system language Japanese.
    add_test(NAME win_dialogs_japanese COMMAND win_dll_tests --gtest_filter=DllDialogsJapanese.*)
    set_tests_properties(win_dialogs_japanese PROPERTIES ENVIRONMENT LANG=ja_JP.UTF-8 LABELS wine TIMEOUT 120
                         FIXTURES_REQUIRED wine_env RESOURCE_LOCK wine_shared)

    # Recordings made through the DLL, read back by ffprobe and ffmpeg on the host.
    add_test(NAME dll_recordings
             COMMAND ${CMAKE_SOURCE_DIR}/tests/win/recordings.sh ${WINE_RUN} $<TARGET_FILE:win_dll_tests>
                     ${CMAKE_BINARY_DIR}/recordings)
    set_tests_properties(dll_recordings PROPERTIES LABELS wine TIMEOUT 300 FIXTURES_REQUIRED wine_env
                         RESOURCE_LOCK wine_shared)

    # Still image files saved through the DLL in every format and colour mode, then read
    # back by decoders that are not ours. Names go through the Japanese code page.
    add_executable(win_still_files ${CMAKE_SOURCE_DIR}/tests/win/files/still_files_test.cpp
                   ${CMAKE_SOURCE_DIR}/tests/win/DllSupport.cpp)
    target_include_directories(win_still_files PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(win_still_files PRIVATE VonkelSdk GTest::gtest user32 gdi32 advapi32)
    add_test(NAME still_files_write COMMAND win_still_files WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(still_files_write PROPERTIES LABELS wine TIMEOUT 300 FIXTURES_REQUIRED wine_env
        FIXTURES_SETUP still_files RESOURCE_LOCK wine_shared
        ENVIRONMENT "LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8;VONKEL_SIMULATE=1;VONKEL_SIMULATE_STILL=1")
    add_test(NAME still_files_check COMMAND ${VONKEL_STILL_CHECKER} still-files/manifest.txt
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(still_files_check PROPERTIES LABELS wine TIMEOUT 300 FIXTURES_REQUIRED still_files)

    # vonkelcam check against healthy and faulty simulated cameras, its report read back.
    add_test(NAME vonkelcam_check
             COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/win/check_command.py ${WINE_RUN} $<TARGET_FILE:vonkelcam>
                     ${CMAKE_BINARY_DIR}/check-command)
    set_tests_properties(vonkelcam_check PROPERTIES LABELS wine TIMEOUT 400 FIXTURES_REQUIRED wine_env
                         RESOURCE_LOCK wine_shared)

    add_test(NAME dll_pe_tables
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/check-pe.sh $<TARGET_FILE:VonkelSdk>
                     ${CMAKE_SOURCE_DIR}/src/api/VonkelSdk.def ${CMAKE_SOURCE_DIR}/include/VonkelSdk.h
                     $<TARGET_FILE:vonkelcam>)
    set_tests_properties(dll_pe_tables PROPERTIES LABELS wine)
endif()

# The API torture through the export table: a short run here, long runs from
# scripts/torture.sh. Under Wine it goes through the DLL, with an application window
# whose thread calls exports between its messages. No call may take longer than two
# frame waits of the longest transfer timeout (5 s in trigger mode) and 1 s for a
# stream's restart: the frame in progress and the frame the call asked for.
file(GLOB VONKEL_TORTURE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/torture/*.cpp)
add_executable(vonkel_torture ${VONKEL_TORTURE_SOURCES})
target_include_directories(vonkel_torture PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/include)
if(WIN32)
    target_link_libraries(vonkel_torture PRIVATE VonkelSdk user32 advapi32)
    add_test(NAME api_torture COMMAND vonkel_torture --threads 4 --calls 300 --cameras 2 --parent --limit 60 --bound 11 --latency)
    set_tests_properties(api_torture PROPERTIES LABELS wine TIMEOUT 300 FIXTURES_REQUIRED wine_env
                         RESOURCE_LOCK wine_shared ENVIRONMENT VONKEL_SIMULATE=2)
else()
    target_link_libraries(vonkel_torture PRIVATE vonkel_native_sdk)
    add_test(NAME api_torture COMMAND vonkel_torture --threads 4 --calls 300 --cameras 2 --limit 60 --bound 11 --latency)
    set_tests_properties(api_torture PROPERTIES LABELS native TIMEOUT 300 ENVIRONMENT VONKEL_SIMULATE=2)
endif()

if(WIN32)
    # Four cameras streaming at full rate into one application window: a short run here,
    # the hour from scripts/soak.sh.
    add_executable(vonkel_soak ${CMAKE_SOURCE_DIR}/tests/soak/soak.cpp)
    target_include_directories(vonkel_soak PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/include)
    target_link_libraries(vonkel_soak PRIVATE VonkelSdk user32)
    add_test(NAME soak_four_cameras COMMAND vonkel_soak --seconds 20 --report-seconds 5 --cameras 4)
    set_tests_properties(soak_four_cameras PROPERTIES LABELS wine TIMEOUT 120 FIXTURES_REQUIRED wine_env
                         RESOURCE_LOCK wine_shared ENVIRONMENT VONKEL_SIMULATE=4)
endif()
