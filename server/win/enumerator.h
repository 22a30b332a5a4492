// A COM enumerator over a list taken when it is made (IEnumConnectionPoints, IEnumConnections,
// IEnumOLEVERB...): Next hands out copies, Skip and Reset move its place, Clone copies the list
// and the place. What it enumerates is described by a traits class:
//   Interface            the enumerator's interface;  static const IID& iid();
//   Item                 what Next writes;            Stored: what the list keeps;
//   static void copy(const Stored&, Item*)  writes one item, with the references or memory the
//                                           caller then owns.
// A snapshot, as COM allows: a connection made or broken later does not change an enumeration
// under way.
#pragma once

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "server/win/com_object.h"

namespace keloscroll::win {

template <class Traits>
class Enumerator final : public ComObject<Enumerator<Traits>, typename Traits::Interface> {
  using Base = ComObject<Enumerator<Traits>, typename Traits::Interface>;
  using Interface = typename Traits::Interface;
  using Item = typename Traits::Item;
  using Stored = typename Traits::Stored;

 public:
  using typename Base::Entry;

  // A new enumerator over `items`, from the start, in `out`.
  static HRESULT create(std::vector<Stored> items, Interface** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
      *out = new Enumerator(std::move(items), 0);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

  static std::span<const Entry> interfaceMap() {
    static const Entry map[] = {Base::template offer<Interface>(IID_IUnknown),
                                Base::template offer<Interface>(Traits::iid())};
    return map;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!items) return E_POINTER;
    if (!fetched && count != 1) return E_INVALIDARG;  // only one item may go uncounted
    ULONG n = 0;
    for (; n < count && place_ < items_.size(); ++n) Traits::copy(items_[place_++], &items[n]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    size_t left = items_.size() - place_;
    place_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    place_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
      *out = new Enumerator(items_, place_);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  friend Base;
  Enumerator(std::vector<Stored> items, size_t place) : items_(std::move(items)), place_(place) {}
  ~Enumerator() = default;

  std::vector<Stored> items_;
  size_t place_;
};

}  // namespace keloscroll::win
