// Registry names (of keys and values) and an ordered list of named entries with hashed lookup.
#pragma once

#include "system/CaseFold.h"
#include "system/Utf8.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace reg::detail {

// Two names are the same name when they are equal with their case folded (sys::foldCase, as
// the SourceSafe store folds item names).
bool sameName(std::string_view a, std::string_view b);

using sys::isValidUtf8;

// Entries (anything with a `name`) in the order they were added, found by name in constant
// time, so a key with tens of thousands of subkeys or values loads in linear time.
template <class T> class NamedList {
public:
    T* find(std::string_view name) {
        const auto it = index_.find(sys::foldCase(name));
        return it == index_.end() ? nullptr : &items_[it->second];
    }
    const T* find(std::string_view name) const {
        const auto it = index_.find(sys::foldCase(name));
        return it == index_.end() ? nullptr : &items_[it->second];
    }
    // The caller has made sure no entry of that name exists.
    T& append(T item) {
        index_.emplace(sys::foldCase(item.name), items_.size());
        items_.push_back(std::move(item));
        return items_.back();
    }
    bool erase(std::string_view name) {
        const auto it = index_.find(sys::foldCase(name));
        if (it == index_.end())
            return false;
        const std::size_t at = it->second;
        index_.erase(it);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
        for (auto& entry : index_)
            if (entry.second > at)
                --entry.second;
        return true;
    }

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const T& operator[](std::size_t i) const { return items_[i]; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T> items_;
    std::unordered_map<std::string, std::size_t> index_; // folded name -> position
};

} // namespace reg::detail
