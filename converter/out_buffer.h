// A growing block of output (UTF-16 characters or bytes) that the streaming
// converters append to and their caller empties after each block. Unlike std::u16string it never
// fills new room with zeros, so reserving a block's worst case costs nothing.
// Portable: no Windows headers.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace brindle {

template <class Char>
class BasicOutBuffer {
 public:
  // Makes room for at least `n` more characters and returns where they go.
  Char* Room(std::size_t n) {
    if (capacity_ - size_ < n) Grow(n);
    return data_.get() + size_;
  }
  // Marks everything up to `end` (a pointer into the room) as written.
  void Commit(const Char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }
  void Append(std::basic_string_view<Char> s) {
    Char* at = Room(s.size());
    if (!s.empty()) std::memcpy(at, s.data(), s.size() * sizeof(Char));
    size_ += s.size();
  }
  void Append(std::size_t n, Char c) {
    std::fill_n(Room(n), n, c);
    size_ += n;
  }
  std::basic_string_view<Char> view() const { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }
  void Clear() { size_ = 0; }
  // Drops the first `n` characters, moving the rest to the front.
  void Erase(std::size_t n) {
    if (n == 0) return;
    std::memmove(data_.get(), data_.get() + n, (size_ - n) * sizeof(Char));
    size_ -= n;
  }

 private:
  void Grow(std::size_t n) {
    const std::size_t capacity = std::max(size_ + n, capacity_ + capacity_ / 2);
    std::unique_ptr<Char[]> data(new Char[capacity]);
    if (size_ != 0) std::memcpy(data.get(), data_.get(), size_ * sizeof(Char));
    data_ = std::move(data);
    capacity_ = capacity;
  }

  std::unique_ptr<Char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

using OutBuffer = BasicOutBuffer<char16_t>;
using ByteBuffer = BasicOutBuffer<char>;

}  // namespace brindle
