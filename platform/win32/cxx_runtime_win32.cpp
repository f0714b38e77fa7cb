// The parts of the C++ runtime that the launcher supplies itself, because
// libstdc++'s own would double the executable's code for nothing a user can
// see:
//
// - The terminate handler. libstdc++'s prints the type of the exception
//   that was not caught, demangled, to a console a GUI program does not
//   have; its demangler and the printf it uses make up a fifth of the image.
//   The launcher's aborts, as that one does after printing.
// - The throw helpers that the standard containers and strings call when
//   they are misused. libstdc++'s throw std::logic_error and its kin, whose
//   message strings bring in a second, copy-on-write std::string
//   implementation with all its members. The launcher catches none of those
//   (it catches std::bad_alloc and _com_error only), so a misuse ends the
//   process by std::terminate, before any unwinding, exactly as the
//   uncaught exception would; a size no allocation can meet stays a
//   std::bad_alloc, which the automation layer does handle.
//
// Each function here replaces the library's of the same name at link time;
// should the library's object ever be linked as well, the link fails on the
// duplicate definition instead of mixing the two.
#include <cstdlib>
#include <exception>
#include <new>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }

[[noreturn]] void __throw_bad_cast() { terminate(); }
[[noreturn]] void __throw_bad_typeid() { terminate(); }
[[noreturn]] void __throw_bad_exception() { terminate(); }
[[noreturn]] void __throw_logic_error(const char*) { terminate(); }
[[noreturn]] void __throw_domain_error(const char*) { terminate(); }
[[noreturn]] void __throw_invalid_argument(const char*) { terminate(); }
[[noreturn]] void __throw_out_of_range(const char*) { terminate(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { terminate(); }
[[noreturn]] void __throw_runtime_error(const char*) { terminate(); }
[[noreturn]] void __throw_range_error(const char*) { terminate(); }
[[noreturn]] void __throw_overflow_error(const char*) { terminate(); }
[[noreturn]] void __throw_underflow_error(const char*) { terminate(); }

}  // namespace std
