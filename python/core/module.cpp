// velmora._core: the compiled part of the velmora package. The package's
// Python code gives it its public face; nothing here is meant to be called
// directly.
#include "python/core/register.h"
#include "velmora_version.h"

PYBIND11_MODULE(_core, m) {
    m.doc() = "The compiled core of velmora; use the velmora package instead.";
    m.attr("__version__") = VELMORA_VERSION;
    velmora::python::RegisterErrors(m);
    velmora::python::RegisterFactors(m);
    velmora::python::RegisterPlay(m);
    velmora::python::RegisterModel(m);
}
