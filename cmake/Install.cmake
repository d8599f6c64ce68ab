# What a user downloads: the version resources of the DLL and of vonkelcam, the install
# layout, the ZIP made by CPack, the examples and the tests of all of it.
#
#   README.md                 the first page: what is inside, a first project in C and in C++
#   bin/                      VonkelSdk_430NVTX_QEL.dll, vonkelcam.exe
#   include/                  the whole include/ tree (VonkelSdk.h, vonkel/ when present)
#   lib/                      the import libraries: .dll.a (MinGW) and .lib (Microsoft's linker)
#   lib/cmake/VonkelSdk/      package configuration: the imported target VonkelSdk::VonkelSdk
#   examples/                 the examples' sources, buildable against the installed package
#   docs/                     the documentation pages; docs/reference/ the HTML reference
#
# Windows build only; refers to the targets VonkelSdk (the DLL) and vonkelcam by name.
include(CMakePackageConfigHelpers)

# ---- one version for everything: the constant Vonkel_GetDllVersion returns ---------------
# 0x01B80521 becomes the file version 440.1313.0.0, whose high 32 bits are that value again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/VonkelSdk.h)
file(STRINGS ${PROJECT_SOURCE_DIR}/include/VonkelSdk.h vonkel_version_line
     REGEX "^#define VONKEL_DLL_VERSION +[0-9]+")
if(NOT vonkel_version_line MATCHES "VONKEL_DLL_VERSION +([0-9]+)")
    message(FATAL_ERROR "include/VonkelSdk.h defines no VONKEL_DLL_VERSION")
endif()
set(VONKEL_DLL_VERSION ${CMAKE_MATCH_1})
math(EXPR VONKEL_VERSION_HIGH "${VONKEL_DLL_VERSION} >> 16")
math(EXPR VONKEL_VERSION_LOW "${VONKEL_DLL_VERSION} & 0xFFFF")
set(VONKEL_VERSION ${VONKEL_VERSION_HIGH}.${VONKEL_VERSION_LOW}.0.0)

# vonkel_version_resource(<target> <description>): a VERSIONINFO resource in the target.
function(vonkel_version_resource target description)
    get_target_property(type ${target} TYPE)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    if(type STREQUAL "SHARED_LIBRARY")
        set(VONKEL_RC_FILE_TYPE VFT_DLL)
        set(VONKEL_RC_FILE_NAME ${name}${CMAKE_SHARED_LIBRARY_SUFFIX})
    else()
        set(VONKEL_RC_FILE_TYPE VFT_APP)
        set(VONKEL_RC_FILE_NAME ${name}${CMAKE_EXECUTABLE_SUFFIX})
    endif()
    set(VONKEL_RC_INTERNAL_NAME ${name})
    set(VONKEL_RC_DESCRIPTION "${description}")
    set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionResource.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()

vonkel_version_resource(VonkelSdk "Vonkel 430NVTX-QEL camera library")
vonkel_version_resource(vonkelcam "Vonkel 430NVTX-QEL camera command-line tool")

# In the build tree the DLL goes by the name the package gives it, with the public headers.
if(NOT TARGET VonkelSdk::VonkelSdk)
    add_library(VonkelSdk::VonkelSdk ALIAS VonkelSdk)
endif()
target_include_directories(VonkelSdk INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)

# ---- install layout ------------------------------------------------------------------------
# The import library for Microsoft's linker, made beside the MinGW one after each link.
set(VONKEL_MS_IMPORT_LIB ${CMAKE_BINARY_DIR}/lib/$<TARGET_FILE_BASE_NAME:VonkelSdk>.lib)

install(TARGETS VonkelSdk vonkelcam
        RUNTIME DESTINATION bin
        ARCHIVE DESTINATION lib)
install(FILES ${VONKEL_MS_IMPORT_LIB} DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/package/README.md DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION include)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples)
# The pages for users: not those about the sources and tests, which the package does not
# hold (architecture, reliability), nor Doxygen's input; the HTML reference when
# scripts/docs.sh has made it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs
        PATTERN architecture.md EXCLUDE PATTERN reliability.md EXCLUDE PATTERN Doxyfile EXCLUDE)
install(DIRECTORY ${CMAKE_BINARY_DIR}/reference/html/ DESTINATION docs/reference OPTIONAL)

# The package configuration names the installed files; it is written by hand rather than
# exported, so that the DLL's internal link interface never reaches a user's project.
set(config_dir ${CMAKE_BINARY_DIR}/package-config)
configure_file(${PROJECT_SOURCE_DIR}/cmake/VonkelSdkConfig.cmake.in ${config_dir}/VonkelSdkConfig.cmake.in @ONLY)
file(GENERATE OUTPUT ${config_dir}/VonkelSdkConfig.cmake INPUT ${config_dir}/VonkelSdkConfig.cmake.in)
write_basic_package_version_file(${config_dir}/VonkelSdkConfigVersion.cmake
    VERSION ${VONKEL_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${config_dir}/VonkelSdkConfig.cmake ${config_dir}/VonkelSdkConfigVersion.cmake
        DESTINATION lib/cmake/VonkelSdk)

# ---- the ZIP: cpack --config <build>/CPackConfig.cmake, or scripts/package.sh ---------------
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME VonkelSdk)
set(CPACK_PACKAGE_VENDOR Pelkor)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vonkel 430NVTX-QEL camera SDK for 64-bit Windows")
set(CPACK_PACKAGE_VERSION ${VONKEL_VERSION})
set(CPACK_PACKAGE_FILE_NAME VonkelSdk-${VONKEL_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
include(CPack)

add_subdirectory(${PROJECT_SOURCE_DIR}/examples ${CMAKE_BINARY_DIR}/examples)
if(VONKEL_TESTS)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${CMAKE_BINARY_DIR}/tests/package)
endif()
