// The C++ runtime linked into this module sets memory aside at load for
// exceptions thrown when memory runs out (about 72 KB), and left to itself
// never gives it back: a host that scans its plug-ins, loading and unloading
// each, would lose that much every time. It goes back when the module is
// unloaded. Only built where the runtime is this module's own copy.
namespace __gnu_cxx {
void __freeres();
}

__attribute__((destructor)) static void releaseRuntimeReserve() { __gnu_cxx::__freeres(); }
