# Settings shared by every target of the project.

add_compile_definitions(
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_FOREACH
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_BEFORE=0x060400
)

add_compile_options(-Wall -Wextra -Wpedantic)
if(SORVANE_WERROR)
    add_compile_options(-Werror)
endif()

if(SORVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(SORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "SORVANE_FUZZ needs clang (CXX=clang++)")
    endif()
    # Every library is instrumented for coverage; only the fuzz targets link libFuzzer's main.
    # Reports must abort so that libFuzzer records the input.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# Declares one of the project's static libraries:
#   sorvane_add_library(name [ROOTED] SOURCES ... LIBS ...)
# A ROOTED library's headers are included by a path that names its folder
# ("io/CCsvWriter.h"); the older libraries are still included by file name.
function(sorvane_add_library name)
    cmake_parse_arguments(ARG "ROOTED" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    if(ARG_ROOTED)
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    else()
        target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()
