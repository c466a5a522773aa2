// The registry tree of the simulated machine.
#include "Hive.h"

#include "Pool.h"

namespace sim::hive {

namespace {

template <typename Fn>
void ForEachPart(std::string_view path, Fn fn) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (!fn(path.substr(start, end - start))) return;
        }
        start = end + 1;
    }
}

std::shared_ptr<Key> NewRoot(const char* name) {
    auto key = std::make_shared<Key>();
    key->name = name;
    return key;
}

}  // namespace

Placement SubkeyPlacement() {
    return GetPlatform() == Platform::Win98 ? Placement::Append : Placement::Sorted;
}

Key::~Key() {
    // A deep tree would otherwise be released by one destructor calling the
    // next. Keys still held elsewhere (an open handle) keep their subtree.
    std::vector<std::shared_ptr<Key>> pending;
    children.TakeAll(&pending);
    while (!pending.empty()) {
        std::shared_ptr<Key> key = std::move(pending.back());
        pending.pop_back();
        key->parent = nullptr;
        if (key.use_count() == 1) key->children.TakeAll(&pending);
    }
}

Key* Key::AddChild(std::string_view childName, Placement where) {
    if (Key* existing = children.Find(childName)) return existing;
    if (depth >= kMaxDepth) return nullptr;
    auto child = std::make_shared<Key>();
    child->name = std::string(childName);
    child->parent = this;
    child->depth = depth + 1;
    return children.Add(std::move(child), where);
}

bool Key::RemoveChild(std::string_view childName) {
    Key* child = children.Find(childName);
    if (!child) return false;
    DetachChild(child);
    return true;
}

void Key::DetachChild(Key* child) {
    MarkDeleted(child);
    std::shared_ptr<Key> detached = children.Remove(child);
    detached->parent = nullptr;
}

void ValueDelete::operator()(Value* v) const {
    if (!v) return;
    const size_t bytes = sizeof(Value) + v->Name().size() + v->Data().size();
    v->~Value();
    pool::Release(v, bytes);
}

ValuePtr Value::Make(std::string_view name, DWORD type, const BYTE* data, size_t size) {
    void* block = pool::Allocate(sizeof(Value) + name.size() + size);
    ValuePtr v(new (block) Value());
    v->type = type;
    v->m_nameSize = static_cast<uint32_t>(name.size());
    v->m_dataSize = static_cast<uint32_t>(size);
    if (!name.empty()) std::memcpy(v->Chars(), name.data(), name.size());
    if (size) std::memcpy(v->Chars() + name.size(), data, size);
    return v;
}

void Key::SetValue(std::string_view valueName, DWORD type, const BYTE* data, size_t size) {
    Value* v = values.Find(valueName);
    if (!v) {
        v = values.Add(Value::Make(valueName, type, data, size), Placement::Append);
    } else {
        valueSizes.Remove(InfoSize(*v));
        if (v->Data().size() == size) {
            v->type = type;
            v->Overwrite(data);
        } else {
            // The value keeps its place and the spelling it was created with.
            ValuePtr fresh = Value::Make(v->Name(), type, data, size);
            Value* raw = fresh.get();
            values.Replace(v, std::move(fresh));
            v = raw;
        }
    }
    valueSizes.Add(InfoSize(*v));
}

bool Key::RemoveValue(std::string_view valueName) {
    Value* v = values.Find(valueName);
    if (!v) return false;
    valueSizes.Remove(InfoSize(*v));
    values.Remove(v);
    return true;
}

void MarkDeleted(Key* key) {
    std::vector<Key*> pending{key};
    while (!pending.empty()) {
        Key* k = pending.back();
        pending.pop_back();
        k->deleted = true;
        for (Key& child : k->children) pending.push_back(&child);
    }
}

std::vector<Root>& Roots() {
    static std::vector<Root> roots = [] {
        std::vector<Root> r;
        r.push_back({"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE, nullptr});
        r.push_back({"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER, nullptr});
        r.push_back({"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG, nullptr});
        r.push_back({"HKEY_USERS", "HKU", HKEY_USERS, nullptr});
        r.push_back({"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT, nullptr});
        for (auto& root : r) root.key = NewRoot(root.longName);
        return r;
    }();
    return roots;
}

Root* FindRoot(HKEY handle) {
    for (auto& r : Roots())
        if (r.handle == handle) return &r;
    return nullptr;
}

Root* FindRootByName(std::string_view name) {
    for (auto& r : Roots())
        if (cp1252::CompareNames(r.longName, name) == 0 || cp1252::CompareNames(r.shortName, name) == 0) return &r;
    return nullptr;
}

Root* SplitFullPath(std::string_view fullPath, std::string_view* rest) {
    size_t sep = fullPath.find('\\');
    std::string_view rootName = fullPath.substr(0, sep);
    Root* root = FindRootByName(rootName);
    if (rest) *rest = sep == std::string_view::npos ? std::string_view() : fullPath.substr(sep + 1);
    return root;
}

size_t PathDepth(std::string_view path) {
    size_t n = 0;
    ForEachPart(path, [&](std::string_view) {
        ++n;
        return true;
    });
    return n;
}

Key* Find(Key* from, std::string_view path) {
    Key* k = from;
    ForEachPart(path, [&](std::string_view part) {
        k = k->FindChild(part);
        return k != nullptr;
    });
    return k;
}

Key* Create(Key* from, std::string_view path) {
    const Placement where = SubkeyPlacement();
    Key* k = from;
    ForEachPart(path, [&](std::string_view part) {
        k = k->AddChild(part, where);
        return k != nullptr;
    });
    return k;
}

// Filled from the end in one allocation: every recorded change asks for it.
std::string FullName(const Key* key) {
    size_t length = 0;
    for (const Key* k = key; k; k = k->parent) length += k->name.size() + (k->parent ? 1 : 0);
    std::string out(length, '\0');
    size_t end = length;
    for (const Key* k = key; k; k = k->parent) {
        end -= k->name.size();
        k->name.copy(&out[end], k->name.size());
        if (k->parent) out[--end] = '\\';
    }
    return out;
}

KeyAccess EffectiveAccess(const Key* key) {
    for (const Key* k = key; k; k = k->parent)
        if (k->access != KeyAccess::Normal) return k->access;
    return KeyAccess::Normal;
}

void ResetAll() {
    for (auto& r : Roots()) {
        if (r.key) MarkDeleted(r.key.get());
        r.key = NewRoot(r.longName);
    }
}

}  // namespace sim::hive
