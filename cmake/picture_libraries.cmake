# The picture libraries, as imported targets for the program's libraries to link:
#
#   target          what                                  how a source file includes it
#   Lanxi::lcms2    Little CMS 2                          #include <lcms2.h>
#   Lanxi::png      libpng, with zlib                     #include <png.h>
#   Lanxi::webp     libwebp and libwebpdemux (and         #include <webp/decode.h>
#                   libsharpyuv where the version has it) #include <webp/demux.h>
#   Lanxi::heif     libheif: HEIC through libde265 (and  #include <libheif/heif.h>
#                   libavcodec on Linux), AVIF through
#                   dav1d
#   Lanxi::jpegli   jpegli, the JPEG encoder of libjxl,   #include <lib/jpegli/encode.h>
#                   with Highway
#
# jpegli's functions are named jpegli_* and take the structures of libjpeg's <jpeglib.h>: its
# header includes <stdio.h> and <jpeglib.h> itself, and Lanxi::jpegli brings JPEG::JPEG so that
# this is libjpeg-turbo's header, the one the rest of the program uses (tools/build-jpegli
# checks at build time that jpegli was compiled with the same declarations, and that the two
# libraries define no symbol twice). A file that encodes with jpegli and decodes with
# libjpeg-turbo includes both <jpeglib.h> and <lib/jpegli/encode.h>, and calls jpegli_* on a
# jpeg_compress_struct, jpeg_* on a jpeg_decompress_struct.
#
# On Linux the first three are Debian's packages (tools/setup installs them), found through
# pkg-config. jpegli is not packaged for Debian 12, and its libheif (1.15) reads no security
# limits and cannot be interrupted: both are built from Debian 13's sources and linked
# statically, libheif against Debian 12's libde265, libavcodec and dav1d. LANXI_JPEGLI_ROOT
# and LANXI_LIBHEIF_ROOT name their install prefixes; when one is empty, configuring runs
# tools/build-jpegli or tools/build-libheif, which builds it once into a cache folder and
# prints the prefix.
#
# On Linux Lanxi::heif defines LANXI_HEIF_LIBAVCODEC (libavcodec's headers are there too), and
# there is also Lanxi::heif_test_encoders, for the tests only: libheif's x265 and
# libaom encoders, which a test registers with heif_register_encoder_plugin() to make HEIC and
# AVIF pictures through the program's own libheif (the define LANXI_HEIF_TEST_ENCODERS says it
# is there; the Windows build has none).
#
# On Windows (the cross-build) every library is static, found in the install prefixes listed in
# LANXI_WINDOWS_ROOTS (tools/windows/build-deps builds them), so each target lists the static
# libraries under it in link order, and the defines that select their static use.

set(LANXI_JPEGLI_ROOT "$ENV{LANXI_JPEGLI_ROOT}" CACHE PATH
    "Install prefix of jpegli (tools/build-jpegli); empty: built and cached at configure time")
set(LANXI_LIBHEIF_ROOT "$ENV{LANXI_LIBHEIF_ROOT}" CACHE PATH
    "Install prefix of libheif (tools/build-libheif); empty: built and cached at configure time")

find_package(Threads REQUIRED)

# An imported target gathering the libraries of one picture library.
function(lanxi_picture_target name)
    cmake_parse_arguments(ARG "" "" "INCLUDE_DIRS;LINK;DEFINES" ${ARGN})
    add_library(Lanxi::${name} INTERFACE IMPORTED)
    if(ARG_INCLUDE_DIRS)
        target_include_directories(Lanxi::${name} INTERFACE ${ARG_INCLUDE_DIRS})
    endif()
    target_link_libraries(Lanxi::${name} INTERFACE ${ARG_LINK})
    if(ARG_DEFINES)
        target_compile_definitions(Lanxi::${name} INTERFACE ${ARG_DEFINES})
    endif()
endfunction()

if(WIN32)
    # Each static library by name, in the LANXI_WINDOWS_ROOTS prefixes (the toolchain file
    # roots every search there).
    function(lanxi_find_static variable)
        find_library(${variable} NAMES ${ARGN})
        if(NOT ${variable})
            message(FATAL_ERROR "${ARGV1} for Windows not found in LANXI_WINDOWS_ROOTS "
                                "(${LANXI_WINDOWS_ROOTS}); tools/windows/build-deps builds it")
        endif()
    endfunction()
    function(lanxi_find_header variable header)
        find_path(${variable} NAMES ${header})
        if(NOT ${variable})
            message(FATAL_ERROR "${header} for Windows not found in LANXI_WINDOWS_ROOTS "
                                "(${LANXI_WINDOWS_ROOTS})")
        endif()
    endfunction()

    lanxi_find_header(LANXI_LCMS2_INCLUDE_DIR lcms2.h)
    lanxi_find_static(LANXI_LCMS2_LIBRARY lcms2)
    lanxi_picture_target(lcms2 INCLUDE_DIRS ${LANXI_LCMS2_INCLUDE_DIR}
                         LINK ${LANXI_LCMS2_LIBRARY})

    lanxi_find_header(LANXI_PNG_INCLUDE_DIR png.h)
    lanxi_find_static(LANXI_PNG_LIBRARY png16 png)
    lanxi_find_header(LANXI_ZLIB_INCLUDE_DIR zlib.h)
    lanxi_find_static(LANXI_ZLIB_LIBRARY z zlibstatic)
    lanxi_picture_target(png INCLUDE_DIRS ${LANXI_PNG_INCLUDE_DIR} ${LANXI_ZLIB_INCLUDE_DIR}
                         LINK ${LANXI_PNG_LIBRARY} ${LANXI_ZLIB_LIBRARY})

    lanxi_find_header(LANXI_WEBP_INCLUDE_DIR webp/demux.h)
    lanxi_find_static(LANXI_WEBPDEMUX_LIBRARY webpdemux)
    lanxi_find_static(LANXI_WEBP_LIBRARY webp)
    # libwebp 1.3 and later put their RGB to YUV conversion in libsharpyuv.
    find_library(LANXI_SHARPYUV_LIBRARY NAMES sharpyuv)
    set(_lanxi_webp_libraries ${LANXI_WEBPDEMUX_LIBRARY} ${LANXI_WEBP_LIBRARY})
    if(LANXI_SHARPYUV_LIBRARY)
        list(APPEND _lanxi_webp_libraries ${LANXI_SHARPYUV_LIBRARY})
    endif()
    lanxi_picture_target(webp INCLUDE_DIRS ${LANXI_WEBP_INCLUDE_DIR}
                         LINK ${_lanxi_webp_libraries} Threads::Threads)

    # libheif decodes HEIC with libde265 and AVIF with dav1d, when it was built with it.
    lanxi_find_header(LANXI_HEIF_INCLUDE_DIR libheif/heif.h)
    lanxi_find_static(LANXI_HEIF_LIBRARY heif)
    lanxi_find_static(LANXI_DE265_LIBRARY de265)
    find_library(LANXI_DAV1D_LIBRARY NAMES dav1d)
    set(_lanxi_heif_libraries ${LANXI_HEIF_LIBRARY} ${LANXI_DE265_LIBRARY})
    if(LANXI_DAV1D_LIBRARY)
        list(APPEND _lanxi_heif_libraries ${LANXI_DAV1D_LIBRARY})
    endif()
    lanxi_picture_target(heif INCLUDE_DIRS ${LANXI_HEIF_INCLUDE_DIR}
                         LINK ${_lanxi_heif_libraries} Threads::Threads
                         DEFINES LIBHEIF_STATIC_BUILD LIBDE265_STATIC_BUILD)

    lanxi_find_header(LANXI_JPEGLI_INCLUDE_DIR lib/jpegli/encode.h)
    lanxi_find_static(LANXI_JPEGLI_LIBRARY jpegli-static)
    lanxi_find_static(LANXI_HWY_LIBRARY hwy)
    lanxi_picture_target(jpegli INCLUDE_DIRS ${LANXI_JPEGLI_INCLUDE_DIR}
                         LINK ${LANXI_JPEGLI_LIBRARY} ${LANXI_HWY_LIBRARY} Threads::Threads
                              JPEG::JPEG
                         DEFINES HWY_STATIC_DEFINE)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LANXI_PC_LCMS2 REQUIRED IMPORTED_TARGET lcms2)
    pkg_check_modules(LANXI_PC_PNG REQUIRED IMPORTED_TARGET libpng zlib)
    pkg_check_modules(LANXI_PC_WEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux)
    pkg_check_modules(LANXI_PC_SHARPYUV QUIET IMPORTED_TARGET libsharpyuv)
    pkg_check_modules(LANXI_PC_HEIF_CODECS REQUIRED IMPORTED_TARGET libde265 libavcodec libavutil
                      dav1d)

    lanxi_picture_target(lcms2 LINK PkgConfig::LANXI_PC_LCMS2)
    lanxi_picture_target(png LINK PkgConfig::LANXI_PC_PNG)
    if(TARGET PkgConfig::LANXI_PC_SHARPYUV)
        lanxi_picture_target(webp LINK PkgConfig::LANXI_PC_WEBP PkgConfig::LANXI_PC_SHARPYUV)
    else()
        lanxi_picture_target(webp LINK PkgConfig::LANXI_PC_WEBP)
    endif()
    # The prefix of a library that one of our scripts builds once per machine (a few minutes),
    # then finds in its cache in a moment; or the prefix the cache variable names.
    function(lanxi_built_prefix variable root script)
        set(prefix "${${root}}")
        if(NOT prefix)
            execute_process(COMMAND "${PROJECT_SOURCE_DIR}/tools/${script}"
                            OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                            RESULT_VARIABLE result)
            if(NOT result EQUAL 0)
                message(FATAL_ERROR "tools/${script} failed (${result}); the cache variable "
                                    "${root} may name a prefix built elsewhere")
            endif()
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                         "${PROJECT_SOURCE_DIR}/tools/${script}"
                         "${PROJECT_SOURCE_DIR}/tools/debian-source.sh")
        endif()
        message(STATUS "${script}: ${prefix}")
        set(${variable} "${prefix}" PARENT_SCOPE)
    endfunction()

    lanxi_built_prefix(_lanxi_heif_root LANXI_LIBHEIF_ROOT build-libheif)
    find_path(LANXI_HEIF_INCLUDE_DIR NAMES libheif/heif.h
              PATHS "${_lanxi_heif_root}/include" NO_DEFAULT_PATH NO_CACHE REQUIRED)
    find_library(LANXI_HEIF_LIBRARY NAMES libheif.a
                 PATHS "${_lanxi_heif_root}/lib" NO_DEFAULT_PATH NO_CACHE REQUIRED)
    lanxi_picture_target(heif INCLUDE_DIRS ${LANXI_HEIF_INCLUDE_DIR}
                         LINK ${LANXI_HEIF_LIBRARY} PkgConfig::LANXI_PC_HEIF_CODECS
                              Threads::Threads
                         DEFINES LIBHEIF_STATIC_BUILD LANXI_HEIF_LIBAVCODEC)
    find_library(LANXI_HEIF_TEST_ENCODERS NAMES libheif-test-encoders.a
                 PATHS "${_lanxi_heif_root}/lib" NO_DEFAULT_PATH NO_CACHE)
    pkg_check_modules(LANXI_PC_HEIF_ENCODERS QUIET IMPORTED_TARGET x265 aom)
    if(LANXI_HEIF_TEST_ENCODERS AND TARGET PkgConfig::LANXI_PC_HEIF_ENCODERS)
        lanxi_picture_target(heif_test_encoders
                             LINK ${LANXI_HEIF_TEST_ENCODERS} Lanxi::heif
                                  PkgConfig::LANXI_PC_HEIF_ENCODERS
                             DEFINES LANXI_HEIF_TEST_ENCODERS)
    endif()

    lanxi_built_prefix(_lanxi_jpegli_root LANXI_JPEGLI_ROOT build-jpegli)
    find_path(LANXI_JPEGLI_INCLUDE_DIR NAMES lib/jpegli/encode.h
              PATHS "${_lanxi_jpegli_root}/include" NO_DEFAULT_PATH NO_CACHE REQUIRED)
    find_library(LANXI_JPEGLI_LIBRARY NAMES libjpegli-static.a
                 PATHS "${_lanxi_jpegli_root}/lib" NO_DEFAULT_PATH NO_CACHE REQUIRED)
    find_library(LANXI_HWY_LIBRARY NAMES libhwy.a
                 PATHS "${_lanxi_jpegli_root}/lib" NO_DEFAULT_PATH NO_CACHE REQUIRED)
    lanxi_picture_target(jpegli INCLUDE_DIRS ${LANXI_JPEGLI_INCLUDE_DIR}
                         LINK ${LANXI_JPEGLI_LIBRARY} ${LANXI_HWY_LIBRARY} Threads::Threads m
                              JPEG::JPEG
                         DEFINES HWY_STATIC_DEFINE)
endif()
