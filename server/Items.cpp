#include "Items.h"

#include "Item.h"
#include "Names.h"

namespace vss::server {

Items::Items(std::shared_ptr<Session> session, std::vector<ItemRef> children)
    : session_(std::move(session)), children_(std::move(children)) {
    byName_.reserve(children_.size());
    for (std::size_t i = 0; i < children_.size(); ++i)
        byName_.emplace(Names::fold(children_[i].name), i); // the first of a name stays
}

HRESULT Items::get_Count(std::int32_t* count) {
    return guardCall([&] {
        if (count == nullptr)
            throw VssError("A result pointer is missing.", com::E_POINTER);
        *count = static_cast<std::int32_t>(children_.size());
    });
}

const ItemRef& Items::find(const com::Variant& index) const {
    switch (index.kind) {
    case com::Variant::Kind::Integer:
        if (index.integer < 1 || static_cast<std::size_t>(index.integer) > children_.size())
            throw VssError("There is no item number " + std::to_string(index.integer) +
                               " (the project has " + std::to_string(children_.size()) + " items).",
                           com::E_INVALIDARG);
        return children_[static_cast<std::size_t>(index.integer - 1)];
    case com::Variant::Kind::String: {
        const std::string name = com::narrow(index.string);
        const std::string folded = Names::fold(name);
        const auto it = byName_.find(folded);
        if (it == byName_.end())
            throw VssError("The project has no item named " + quote(name) + ".");
        return children_[it->second];
    }
    case com::Variant::Kind::Empty:
        break;
    }
    throw invalidArgument("An item index must be a number or a name.");
}

HRESULT Items::get_Item(const com::Variant& index, IVSSItem** item) {
    return guardCall([&] {
        if (item == nullptr)
            throw VssError("A result pointer is missing.", com::E_POINTER);
        *item = nullptr;
        *item = new Item(session_, find(index));
    });
}

} // namespace vss::server
