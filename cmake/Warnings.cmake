# Every warning is reported, and in the project's own builds it is an error.
# A build from the Python source package (setup.py) turns VELMORA_WERROR off:
# a newer compiler's new warning must not stop a user's installation. How
# floating-point expressions are evaluated is the model's own option
# (model/CMakeLists.txt), passed on to whatever uses it.
option(VELMORA_WERROR "Treat compiler warnings as errors" ON)
add_compile_options(-Wall -Wextra -Wpedantic)
if(VELMORA_WERROR)
  add_compile_options(-Werror)
endif()
