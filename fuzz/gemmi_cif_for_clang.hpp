// Included before anything else in the one source file of the fuzz build that
// reads CIF documents with gemmi (beadmap/atomistic_input.cpp), so that clang
// compiles it in C++20.
//
// gemmi::cif::Block holds a std::vector<Item> while Item is still incomplete,
// and defines its constructors inside the class. libstdc++ 12 makes vector's
// destructor and copy constructor constexpr in C++20, and clang (14 and 16
// alike) instantiates a constexpr function as soon as it is used, before Item
// is complete: "arithmetic on a pointer to an incomplete type
// 'gemmi::cif::Item'" in ~_Vector_base, and two errors like it. GCC waits
// until the end of the file. Here the three members are declared as explicit
// specializations first, which clang then does not instantiate, and defined
// once Item is complete with the bodies libstdc++ 12 gives them.
#ifndef FUZZ_GEMMI_CIF_FOR_CLANG_HPP
#define FUZZ_GEMMI_CIF_FOR_CLANG_HPP

#include <cstddef>
#include <memory>
#include <vector>

namespace gemmi::cif {
struct Item;
}

namespace std {
template <>
constexpr _Vector_base<gemmi::cif::Item, allocator<gemmi::cif::Item>>::~_Vector_base() noexcept;
template <>
constexpr vector<gemmi::cif::Item>::~vector() noexcept;
template <>
constexpr vector<gemmi::cif::Item>::vector(const vector& other);
}  // namespace std

#include <gemmi/cifdoc.hpp>

namespace std {
template <>
constexpr _Vector_base<gemmi::cif::Item, allocator<gemmi::cif::Item>>::~_Vector_base() noexcept {
  _M_deallocate(_M_impl._M_start,
                static_cast<size_t>(_M_impl._M_end_of_storage - _M_impl._M_start));
}

template <>
constexpr vector<gemmi::cif::Item>::~vector() noexcept {
  std::_Destroy(this->_M_impl._M_start, this->_M_impl._M_finish, _M_get_Tp_allocator());
}

template <>
constexpr vector<gemmi::cif::Item>::vector(const vector& other)
    : _Base(other.size(), _Alloc_traits::_S_select_on_copy(other._M_get_Tp_allocator())) {
  this->_M_impl._M_finish = std::__uninitialized_copy_a(
      other.begin(), other.end(), this->_M_impl._M_start, _M_get_Tp_allocator());
}
}  // namespace std

#endif
