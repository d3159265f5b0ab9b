# Warnings are errors. How floating-point expressions are evaluated is the
# model's own option (model/CMakeLists.txt), passed on to whatever uses it.
add_compile_options(-Wall -Wextra -Wpedantic -Werror)
