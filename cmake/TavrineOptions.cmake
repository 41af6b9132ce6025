# Compiler settings shared by every target of the project.

# Warning flags, linked PRIVATE to every target.
add_library(tavrine_warnings INTERFACE)
target_compile_options(tavrine_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference)
if(TAVRINE_WERROR)
    target_compile_options(tavrine_warnings INTERFACE -Werror)
endif()
add_library(tavrine::warnings ALIAS tavrine_warnings)

# The tracer and the geometry must give the same bits on every machine: no fused
# multiply-add contraction, no fast-math.
add_library(tavrine_exact_fp INTERFACE)
target_compile_options(tavrine_exact_fp INTERFACE -ffp-contract=off -fno-fast-math)
add_library(tavrine::exact_fp ALIAS tavrine_exact_fp)

if(TAVRINE_SANITIZE)
    string(REPLACE ";" "," _tavrine_san "${TAVRINE_SANITIZE}")
    add_compile_options(-fsanitize=${_tavrine_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_tavrine_san})
endif()
