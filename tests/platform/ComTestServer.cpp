// A tiny server library for the COM tests: exports the factory entry and one test class.
#include "ComTestInterface.h"

#include <atomic>

namespace {

std::atomic<int> liveObjects{0};

class TestObject final : public com::Implements<comtest::ITestObject> {
public:
    TestObject() { ++liveObjects; }
    com::HRESULT GetValue(std::int32_t* out) override {
        if (out == nullptr)
            return com::E_POINTER;
        *out = comtest::kTestValue;
        return com::S_OK;
    }

private:
    ~TestObject() override { --liveObjects; }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int ComTestLiveObjects() {
    return liveObjects.load();
}

extern "C" __attribute__((visibility("default"))) com::HRESULT
ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out) {
    if (*clsid == comtest::kRefusingClass)
        return com::reportError(com::E_ACCESSDENIED, comtest::kRefusal);
    if (*clsid == comtest::kSilentClass)
        return com::E_FAIL;
    if (*clsid != comtest::kWorkingClass)
        return com::CLASS_E_CLASSNOTAVAILABLE;
    auto* object = new TestObject;
    const com::HRESULT hr = object->QueryInterface(*iid, out);
    object->Release();
    return hr;
}
