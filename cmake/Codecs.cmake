# libjpeg-turbo (libjpeg 8 interface), libpng, zlib and libtiff as one interface target.
# Native: Debian's -dev packages. Windows: static libraries cross-built by
# scripts/build-win64-deps.sh into a cache outside the repository; zlib is Debian's
# libz-mingw-w64-dev, named as libz.a so that no zlib1.dll is needed.
add_library(vonkel_codecs INTERFACE)
if(WIN32)
    set(VONKEL_DEPS_PREFIX "$ENV{HOME}/.cache/vonkel/win64-deps" CACHE PATH
        "Prefix of the cross-built codec libraries (scripts/build-win64-deps.sh)")
    foreach(lib tiff jpeg png16)
        if(NOT EXISTS ${VONKEL_DEPS_PREFIX}/lib/lib${lib}.a)
            message(FATAL_ERROR "lib${lib}.a not found in ${VONKEL_DEPS_PREFIX}/lib: run scripts/build-win64-deps.sh")
        endif()
    endforeach()
    target_include_directories(vonkel_codecs INTERFACE ${VONKEL_DEPS_PREFIX}/include)
    target_link_libraries(vonkel_codecs INTERFACE
        ${VONKEL_DEPS_PREFIX}/lib/libtiff.a ${VONKEL_DEPS_PREFIX}/lib/libjpeg.a
        ${VONKEL_DEPS_PREFIX}/lib/libpng16.a /usr/x86_64-w64-mingw32/lib/libz.a)
else()
    find_package(JPEG REQUIRED)
    find_package(PNG REQUIRED)
    find_package(TIFF REQUIRED)
    find_package(ZLIB REQUIRED)
    target_link_libraries(vonkel_codecs INTERFACE TIFF::TIFF JPEG::JPEG PNG::PNG ZLIB::ZLIB)
endif()
