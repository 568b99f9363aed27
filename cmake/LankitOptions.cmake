# Compile options shared by every target of the project (korval included).
add_library(lankit_options INTERFACE)
target_compile_options(lankit_options INTERFACE -Wall -Wextra)
if(LANKIT_WERROR)
    target_compile_options(lankit_options INTERFACE -Werror)
endif()

if(LANKIT_SANITIZE)
    target_compile_options(lankit_options INTERFACE
        -fsanitize=${LANKIT_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(lankit_options INTERFACE -fsanitize=${LANKIT_SANITIZE})
endif()

# In a fuzzing build every library is instrumented for coverage; only the fuzz targets
# themselves bring libFuzzer's main.
if(LANKIT_FUZZ)
    target_compile_options(lankit_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# libFuzzer targets: clang only, always with address and undefined-behaviour checks.
function(lankit_add_fuzzer name)
    if(NOT LANKIT_FUZZ)
        return()
    endif()
    cmake_parse_arguments(FZ "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${FZ_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${FZ_LIBS})
    # "fuzzers" builds every target and only what they link.
    if(NOT TARGET fuzzers)
        add_custom_target(fuzzers)
    endif()
    add_dependencies(fuzzers ${name})
endfunction()
