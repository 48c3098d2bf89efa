// A small stand-in for the component object model: status codes, GUIDs, reference-counted
// interfaces, a per-thread error-info object and class creation through the registry.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace com {

using HRESULT = std::int32_t;
using VARIANT_BOOL = std::int16_t;

inline constexpr VARIANT_BOOL kTrue = -1;
inline constexpr VARIANT_BOOL kFalse = 0;

constexpr HRESULT makeStatus(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = makeStatus(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = makeStatus(0x80004002u);
inline constexpr HRESULT E_POINTER = makeStatus(0x80004003u);
inline constexpr HRESULT E_FAIL = makeStatus(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = makeStatus(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = makeStatus(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = makeStatus(0x80070057u);
inline constexpr HRESULT E_ACCESSDENIED = makeStatus(0x80070005u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = makeStatus(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = makeStatus(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = makeStatus(0x800401F0u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = makeStatus(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = makeStatus(0x800401F9u);

constexpr bool succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool failed(HRESULT hr) { return hr < 0; }

struct GUID {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;

namespace detail {
consteval std::uint32_t hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint32_t>(c - 'A' + 10);
    throw "not a hexadecimal digit";
}
consteval std::uint32_t hexField(std::string_view s, std::size_t at, std::size_t digits) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < digits; ++i)
        v = v * 16 + hexDigit(s[at + i]);
    return v;
}
} // namespace detail

// A GUID literal in registry form without braces: "783CD4E4-9D54-11CF-B8EE-00608CC9A71F".
consteval GUID guid(std::string_view s) {
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        throw "malformed GUID literal";
    GUID g;
    g.data1 = detail::hexField(s, 0, 8);
    g.data2 = static_cast<std::uint16_t>(detail::hexField(s, 9, 4));
    g.data3 = static_cast<std::uint16_t>(detail::hexField(s, 14, 4));
    g.data4[0] = static_cast<std::uint8_t>(detail::hexField(s, 19, 2));
    g.data4[1] = static_cast<std::uint8_t>(detail::hexField(s, 21, 2));
    for (std::size_t i = 0; i < 6; ++i)
        g.data4[2 + i] = static_cast<std::uint8_t>(detail::hexField(s, 24 + 2 * i, 2));
    return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry keeps it.
std::string formatGuid(const GUID& g);
// Accepts the form above with or without braces, in either case.
std::optional<GUID> parseGuid(std::string_view text);

// UTF-8 <-> UTF-16 at the automation boundary. Ill-formed input is replaced, never rejected.
std::u16string widen(std::string_view utf8);
std::string narrow(std::u16string_view utf16);

class IUnknown {
public:
    static constexpr IID kIid = guid("00000000-0000-0000-C000-000000000046");

    virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// Writes AddRef, Release and QueryInterface for an object implementing the given interfaces,
// so no class does it by hand. A new object starts with a count of one.
template <class First, class... Rest> class Implements : public First, public Rest... {
public:
    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (iid == IUnknown::kIid)
            *out = static_cast<First*>(this);
        else
            find<First, Rest...>(iid, out);
        if (*out == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ~Implements() override = default;

private:
    template <class I, class... More> void find(const IID& iid, void** out) {
        if (iid == I::kIid) {
            *out = static_cast<I*>(this);
            return;
        }
        if constexpr (sizeof...(More) > 0)
            find<More...>(iid, out);
    }

    std::atomic<std::uint32_t> refs_{1};
};

// The caller's intrusive smart pointer: holds one count on the interface.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    // Takes over a count the caller already owns (an out-parameter, a new object).
    static ComPtr adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Adds a count of its own.
    static ComPtr share(T* p) {
        if (p)
            p->AddRef();
        return adopt(p);
    }

    void reset() {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    template <class U> HRESULT queryInto(ComPtr<U>& target) const {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(U::kIid, target.putVoid());
    }

private:
    T* p_ = nullptr;
};

// An automation variant, as far as the interfaces here need one: an integer or a string.
struct Variant {
    enum class Kind { Empty, Integer, String };
    Kind kind = Kind::Empty;
    std::int32_t integer = 0;
    std::u16string string;

    Variant() = default;
    Variant(std::int32_t i) : kind(Kind::Integer), integer(i) {}
    Variant(std::u16string s) : kind(Kind::String), string(std::move(s)) {}
};

// Per-thread initialisation, counted like the real thing: the first call returns S_OK, further
// calls S_FALSE; each needs a matching CoUninitialize.
HRESULT CoInitialize();
void CoUninitialize();
bool isInitialized();

// The per-thread error-info object: a failing call sets the description, the caller takes it.
void setErrorInfo(std::u16string description);
void clearErrorInfo();
std::optional<std::u16string> takeErrorInfo();
// Sets the description and returns the status, for `return reportError(E_FAIL, u"...")`.
HRESULT reportError(HRESULT hr, std::u16string description);

// Creates an object of a registered class. The class is found under
// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 (default value = library path); the library is
// loaded once and asked through its exported factory (kFactorySymbol). In-process factories
// registered below take precedence over the registry. Failures set the error description.
HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** out);

template <class T> HRESULT createInstance(const CLSID& clsid, ComPtr<T>& out) {
    return CoCreateInstance(clsid, T::kIid, out.putVoid());
}

// The function a server library exports under kFactorySymbol.
using FactoryFunction = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
inline constexpr const char kFactorySymbol[] = "ComGetClassObject";

using InProcessFactory = std::function<HRESULT(const IID& iid, void** out)>;
void registerInProcessFactory(const CLSID& clsid, InProcessFactory factory);
void unregisterInProcessFactory(const CLSID& clsid);

// Writes HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 with the library's path.
void registerServerLibrary(const CLSID& clsid, const std::string& libraryPath);

} // namespace com
