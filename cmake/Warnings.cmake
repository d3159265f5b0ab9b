# Warnings are errors, and floating-point expressions are evaluated exactly as
# written in every build type, so that a seeded run is the same bit for bit.
add_compile_options(-Wall -Wextra -Wpedantic -Werror -ffp-contract=off -fno-fast-math)
