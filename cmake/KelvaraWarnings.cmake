# Warnings for every target of our own, linked PRIVATE.
add_library(kelvara_warnings INTERFACE)
target_compile_options(kelvara_warnings INTERFACE
    -Wall
    -Wextra
    -Wpedantic
    -Wshadow
    -Wconversion
    -Wsign-conversion
    -Wold-style-cast
    -Wnon-virtual-dtor
    -Woverloaded-virtual
    -Wimplicit-fallthrough)
if(KELVARA_WERROR)
    target_compile_options(kelvara_warnings INTERFACE -Werror)
endif()
