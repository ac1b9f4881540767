// An ordered collection of owned objects, reachable by a text key and by 1-based place, as
// the rule library, a section's entries and the list of files already read need it.
//
// Keys compare without regard to ASCII letter case; an item may also be added without a key
// and is then reachable only by place and by enumeration. Items keep their insertion order;
// removing one moves the later ones up by one place. References to items stay valid until
// the item is removed or the collection goes.
//
// Errors (platform numbers, source "TARN"), which the error traps rely on:
//   kErrInvalidArgument (5)       a key that is not in the collection;
//   kErrSubscriptOutOfRange (9)   a place outside 1 to Count;
//   kErrDuplicateKey (457)        Add with a key already present (the item is not added).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

template <typename T>
class KeyedCollection {
  struct Slot {
    std::unique_ptr<T> item;
    std::string key;  // empty: added without a key
  };
  using Slots = std::vector<Slot>;

  template <bool kConst>
  class Iter {
    using Base =
        std::conditional_t<kConst, typename Slots::const_iterator, typename Slots::iterator>;

   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<kConst, const T*, T*>;
    using reference = std::conditional_t<kConst, const T&, T&>;

    Iter() = default;
    explicit Iter(Base it) : it_(it) {}
    reference operator*() const { return *it_->item; }
    pointer operator->() const { return it_->item.get(); }
    Iter& operator++() {
      ++it_;
      return *this;
    }
    Iter operator++(int) {
      Iter before = *this;
      ++it_;
      return before;
    }
    bool operator==(const Iter& other) const { return it_ == other.it_; }

   private:
    Base it_{};
  };

 public:
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  KeyedCollection() = default;
  KeyedCollection(KeyedCollection&&) noexcept = default;
  KeyedCollection& operator=(KeyedCollection&&) noexcept = default;

  // Takes item over and puts it last, under key unless key is empty. Raises 457 when the key
  // is taken; item is then destroyed.
  T& Add(std::unique_ptr<T> item, std::string_view key = {}) {
    Slot slot{std::move(item), std::string(key)};
    // Room first, so that the push below cannot fail once the key is indexed.
    if (slots_.size() == slots_.capacity()) {
      slots_.reserve(slots_.empty() ? 8 : 2 * slots_.size());
    }
    if (!key.empty() && !index_.try_emplace(slot.key, slots_.size()).second) {
      RaisePlatformError(kErrDuplicateKey);
    }
    slots_.push_back(std::move(slot));
    return *slots_.back().item;
  }

  // The item under key; raises 5 when there is none.
  T& Item(std::string_view key) { return *slots_[IndexOf(key)].item; }
  const T& Item(std::string_view key) const { return *slots_[IndexOf(key)].item; }
  // The item at place (1-based); raises 9 outside 1 to Count.
  T& Item(std::int32_t place) { return *slots_[IndexOf(place)].item; }
  const T& Item(std::int32_t place) const { return *slots_[IndexOf(place)].item; }

  // The item under key, or null: for callers that have an answer of their own for a miss.
  T* Find(std::string_view key) { return FindItem(key); }
  const T* Find(std::string_view key) const { return FindItem(key); }
  bool Contains(std::string_view key) const { return index_.contains(key); }

  std::int32_t Count() const { return static_cast<std::int32_t>(slots_.size()); }

  // Removes and destroys the item under key (5 when none) or at place (9 outside 1 to Count).
  void Remove(std::string_view key) { RemoveAt(IndexOf(key)); }
  void Remove(std::int32_t place) { RemoveAt(IndexOf(place)); }

  void Clear() {
    index_.clear();
    slots_.clear();
  }

  iterator begin() { return iterator(slots_.begin()); }
  iterator end() { return iterator(slots_.end()); }
  const_iterator begin() const { return const_iterator(slots_.begin()); }
  const_iterator end() const { return const_iterator(slots_.end()); }

 private:
  // Hashing and comparing through the upper-case form lets lookups take any string_view
  // without building an upper-cased copy of the key first.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
      std::uint64_t hash = 14695981039346656037u;  // FNV-1a
      for (char c : key) {
        hash ^= static_cast<unsigned char>(AsciiUpper(c));
        hash *= 1099511628211u;
      }
      return static_cast<std::size_t>(hash);
    }
  };
  struct KeyEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
      return EqualsIgnoringAsciiCase(a, b);
    }
  };

  T* FindItem(std::string_view key) const {
    auto at = index_.find(key);
    return at == index_.end() ? nullptr : slots_[at->second].item.get();
  }

  std::size_t IndexOf(std::string_view key) const {
    auto at = index_.find(key);
    if (at == index_.end()) RaisePlatformError(kErrInvalidArgument);
    return at->second;
  }

  std::size_t IndexOf(std::int32_t place) const {
    if (place < 1 || place > Count()) RaisePlatformError(kErrSubscriptOutOfRange);
    return static_cast<std::size_t>(place - 1);
  }

  void RemoveAt(std::size_t index) {
    if (!slots_[index].key.empty()) index_.erase(index_.find(slots_[index].key));
    slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(index));
    for (std::size_t i = index; i < slots_.size(); ++i) {
      if (!slots_[i].key.empty()) index_.find(slots_[i].key)->second = i;
    }
  }

  Slots slots_;
  std::unordered_map<std::string, std::size_t, KeyHash, KeyEqual> index_;
};

}  // namespace tarn
