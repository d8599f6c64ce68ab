# libFuzzer targets (clang, native): everything that parses outside input. The whole
# build carries -fsanitize=fuzzer-no-link with ASan and UBSan (preset `fuzz`); only the
# targets link libFuzzer's driver. scripts/fuzz.sh runs them over tests/fuzz/corpus.
file(GLOB VONKEL_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
add_custom_target(fuzz_targets)
foreach(src IN LISTS VONKEL_FUZZ_TARGETS)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE vonkel_core)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzz_targets ${name})
endforeach()

# The in-memory store stands in for the registry under the settings target: its branches
# are not what is explored, and instrumented they took most of each input's time.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/platform/CMemorySettingsStore.cpp TARGET_DIRECTORY vonkel_core
                            PROPERTIES COMPILE_OPTIONS
                            "-fno-sanitize-coverage=inline-8bit-counters,indirect-calls,trace-cmp,pc-table")
