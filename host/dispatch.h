// Dispatch: the one late-bound interface through which the control, its pages, the container and
// scripts reach each other's members by case-insensitive name (or by dispatch id), with Variants.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/error.h"
#include "host/variant.h"

namespace keloscroll::host {

// How a member is invoked, numbered as the component model numbers the invoke kinds.
enum class Invoke : uint16_t { Method = 1, Get = 2, Let = 4, Set = 8 };

class Dispatch : public std::enable_shared_from_this<Dispatch> {
 public:
  virtual ~Dispatch() = default;

  // The member's dispatch id for a case-insensitive name; error 438 for an unknown name.
  virtual int32_t idOfName(std::string_view name) const = 0;
  // Invokes a member. For Let and Set the new value is the last argument.
  virtual Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) = 0;
  // The object's type name ("Form", "TextBox", "UsrKeloScroll", ...).
  virtual std::string_view typeName() const = 0;
  // The "is this a form" test of the object model.
  virtual bool isForm() const { return false; }

  Variant get(std::string_view name);
  Variant get(std::string_view name, std::span<Variant> index);
  // Let for values, Set when the value is an object.
  void let(std::string_view name, Variant value);
  Variant call(std::string_view name, std::vector<Variant> args = {});
  Variant call(std::string_view name, std::span<Variant> args);
};

std::string toLowerAscii(std::string_view s);

// The object a reference names; error 91 ("Object variable or With block variable not set") for
// the empty reference, as a late-bound call through Nothing fails.
Dispatch& deref(const ObjectRef& o);

// A member table that implements Dispatch for a class T: members are looked up by
// case-insensitive name; each may have a getter, a setter (Let and Set) and a method body.
template <class T>
class DispatchTable {
 public:
  using Getter = std::function<Variant(T&, std::span<Variant>)>;
  using Setter = std::function<void(T&, const Variant&, std::span<Variant>)>;
  using Method = std::function<Variant(T&, std::span<Variant>)>;

  struct Member {
    std::string name;
    int32_t id = 0;
    Getter get;
    Setter put;
    Method call;
  };

  // A property; `put` may be empty for a read-only one. Ids are given in order unless set: each new
  // member without an id gets one above every id so far, and a member that overrides an earlier
  // one of the same name keeps that one's id unless it sets its own.
  DispatchTable& property(std::string name, std::function<Variant(T&)> get,
                          std::function<void(T&, const Variant&)> put = {}, int32_t id = 0) {
    Member m{std::move(name), id, {}, {}, {}};
    if (get) m.get = [get](T& self, std::span<Variant>) { return get(self); };
    if (put) m.put = [put](T& self, const Variant& v, std::span<Variant>) { put(self, v); };
    return add(std::move(m));
  }
  DispatchTable& method(std::string name, Method body, int32_t id = 0) {
    return add(Member{std::move(name), id, {}, {}, std::move(body)});
  }
  DispatchTable& add(Member m) {
    std::string key = toLowerAscii(m.name);
    auto it = byName_.find(key);
    if (m.id == 0) m.id = it != byName_.end() ? members_[it->second].id : nextId_;
    if (m.id >= nextId_ && m.id < std::numeric_limits<int32_t>::max()) nextId_ = m.id + 1;
    if (it != byName_.end()) {
      members_[it->second] = std::move(m);  // a later definition overrides an inherited one
    } else {
      byName_[key] = members_.size();
      members_.push_back(std::move(m));
    }
    return *this;
  }

  // Takes a member out again (one an object of the kind does not have after all).
  DispatchTable& remove(std::string_view name) {
    auto it = byName_.find(toLowerAscii(name));
    if (it == byName_.end()) return *this;
    members_.erase(members_.begin() + static_cast<std::ptrdiff_t>(it->second));
    byName_.clear();
    for (size_t i = 0; i < members_.size(); ++i) byName_[toLowerAscii(members_[i].name)] = i;
    return *this;
  }

  const Member* find(std::string_view name) const {
    auto it = byName_.find(toLowerAscii(name));
    return it == byName_.end() ? nullptr : &members_[it->second];
  }
  const Member* findId(int32_t id) const {
    auto it = std::find_if(members_.begin(), members_.end(),
                           [id](const Member& m) { return m.id == id; });
    return it == members_.end() ? nullptr : &*it;
  }
  int32_t idOfName(std::string_view name) const {
    const Member* m = find(name);
    if (!m) raise(err::NoSuchMember);
    return m->id;
  }
  Variant invoke(T& self, int32_t id, Invoke kind, std::span<Variant> args) const {
    const Member* m = findId(id);
    if (!m) raise(err::NoSuchMember);
    switch (kind) {
      case Invoke::Get:
        if (m->get) return m->get(self, args);
        if (m->call) return m->call(self, args);
        break;
      case Invoke::Let:
      case Invoke::Set:
        if (m->put && !args.empty()) {
          m->put(self, args.back(), args.first(args.size() - 1));
          return Variant();
        }
        break;
      case Invoke::Method:
        if (m->call) return m->call(self, args);
        if (m->get) return m->get(self, args);
        break;
    }
    raise(err::NoSuchMember);
  }
  const std::vector<Member>& members() const { return members_; }

 private:
  std::vector<Member> members_;
  std::unordered_map<std::string, size_t> byName_;
  int32_t nextId_ = 1;
};

}  // namespace keloscroll::host
