#include "ComTestInterface.h"
#include "RegistryFolder.h"

#include <com/Com.h>
#include <registry/Registry.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <thread>

namespace {

using namespace com;
using comtest::ITestObject;

std::string description() {
    return narrow(takeErrorInfo().value_or(u"<no error info>"));
}

class ComTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(), S_OK);
        clearErrorInfo();
    }
    void TearDown() override { CoUninitialize(); }

    static int liveObjects() {
        void* handle = dlopen(QM_COM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr)
            return 0; // never loaded, so nothing alive
        auto live = reinterpret_cast<comtest::LiveObjectsFunction>(
            dlsym(handle, comtest::kLiveObjectsSymbol));
        dlclose(handle); // drops only the count RTLD_NOLOAD added
        return live ? live() : -1;
    }

    platformtest::RegistryFolder registry_;
};

TEST_F(ComTest, CreatesAnObjectOfARegisteredLibraryAndReleasesItToZero) {
    registerServerLibrary(comtest::kWorkingClass, QM_COM_TEST_SERVER);
    const std::string key = "CLSID\\" + formatGuid(comtest::kWorkingClass) + "\\InprocServer32";
    EXPECT_EQ(reg::readValue(reg::Root::ClassesRoot, key, "")->text, QM_COM_TEST_SERVER);
    EXPECT_EQ(reg::readValue(reg::Root::ClassesRoot, key, "ThreadingModel")->text, "Apartment");
    // Classes live under HKEY_LOCAL_MACHINE\Software\Classes.
    EXPECT_TRUE(reg::keyExists(reg::Root::LocalMachine, "Software\\Classes\\" + key));

    const int before = liveObjects();
    {
        ComPtr<ITestObject> object;
        ASSERT_EQ(createInstance(comtest::kWorkingClass, object), S_OK) << description();
        std::int32_t value = 0;
        EXPECT_EQ(object->GetValue(&value), S_OK);
        EXPECT_EQ(value, comtest::kTestValue);
        EXPECT_EQ(liveObjects(), before + 1);

        ComPtr<IUnknown> unknown;
        ASSERT_EQ(object.queryInto(unknown), S_OK);
        EXPECT_EQ(unknown->AddRef(), 3u);
        EXPECT_EQ(unknown->Release(), 2u);
        ComPtr<IUnknown> missing;
        void* nothing = &value;
        EXPECT_EQ(object->QueryInterface(guid("00000000-0000-0000-0000-000000000001"), &nothing),
                  E_NOINTERFACE);
        EXPECT_EQ(nothing, nullptr);
        ComPtr<ITestObject> second = object;
        object.reset();
        EXPECT_EQ(liveObjects(), before + 1);
    }
    EXPECT_EQ(liveObjects(), before);
}

TEST_F(ComTest, UnregisteredClassSaysWhatIsMissing) {
    ComPtr<ITestObject> object;
    EXPECT_EQ(createInstance(comtest::kWorkingClass, object), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(object);
    const std::string text = description();
    EXPECT_NE(text.find("{5A0C1B7E-2F4D-4E61-9A3B-7C1D2E3F4A51} is not registered"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("HKEY_CLASSES_ROOT\\CLSID\\{5A0C1B7E-2F4D-4E61-9A3B-7C1D2E3F4A51}"
                        "\\InprocServer32"),
              std::string::npos)
        << text;
}

TEST_F(ComTest, MissingLibraryNamesThePath) {
    const std::string path = (registry_.root() / "no-such-server.so").string();
    registerServerLibrary(comtest::kWorkingClass, path);
    ComPtr<ITestObject> object;
    EXPECT_EQ(createInstance(comtest::kWorkingClass, object), CO_E_DLLNOTFOUND);
    EXPECT_FALSE(object);
    EXPECT_NE(description().find(path), std::string::npos);
}

TEST_F(ComTest, LibraryWithoutFactoryNamesTheSymbolAndPath) {
    registerServerLibrary(comtest::kWorkingClass, QM_COM_TEST_NO_FACTORY);
    ComPtr<ITestObject> object;
    EXPECT_EQ(createInstance(comtest::kWorkingClass, object), CO_E_ERRORINDLL);
    const std::string text = description();
    EXPECT_NE(text.find(kFactorySymbol), std::string::npos) << text;
    EXPECT_NE(text.find(QM_COM_TEST_NO_FACTORY), std::string::npos) << text;
}

TEST_F(ComTest, FailingFactoryCarriesItsDescriptionOrAGenericOne) {
    registerServerLibrary(comtest::kRefusingClass, QM_COM_TEST_SERVER);
    registerServerLibrary(comtest::kSilentClass, QM_COM_TEST_SERVER);
    ComPtr<ITestObject> object;
    EXPECT_EQ(createInstance(comtest::kRefusingClass, object), E_ACCESSDENIED);
    EXPECT_EQ(takeErrorInfo(), std::u16string(comtest::kRefusal));

    setErrorInfo(u"stale text from an earlier call");
    EXPECT_EQ(createInstance(comtest::kSilentClass, object), E_FAIL);
    const std::string text = description();
    EXPECT_NE(text.find(formatGuid(comtest::kSilentClass)), std::string::npos) << text;
    EXPECT_EQ(text.find("stale"), std::string::npos) << text;
    EXPECT_FALSE(takeErrorInfo()) << "taking the error info empties it";
}

TEST_F(ComTest, InProcessFactoryTakesPrecedenceOverTheRegistry) {
    registerServerLibrary(comtest::kWorkingClass, QM_COM_TEST_NO_FACTORY);
    int calls = 0;
    registerInProcessFactory(comtest::kWorkingClass, [&](const IID& iid, void**) {
        ++calls;
        EXPECT_EQ(iid, ITestObject::kIid);
        return reportError(E_UNEXPECTED, u"fake refuses");
    });
    ComPtr<ITestObject> object;
    EXPECT_EQ(createInstance(comtest::kWorkingClass, object), E_UNEXPECTED);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(description(), "fake refuses");

    unregisterInProcessFactory(comtest::kWorkingClass);
    EXPECT_EQ(createInstance(comtest::kWorkingClass, object), CO_E_ERRORINDLL);
    EXPECT_EQ(calls, 1);
}

TEST_F(ComTest, InitialisationIsCountedPerThread) {
    EXPECT_EQ(CoInitialize(), S_FALSE);
    CoUninitialize();
    EXPECT_TRUE(isInitialized());

    HRESULT otherThread = S_OK;
    std::string otherText;
    bool initialisedThere = true;
    std::thread([&] {
        initialisedThere = isInitialized();
        ComPtr<ITestObject> object;
        otherThread = createInstance(comtest::kWorkingClass, object);
        otherText = description();
    }).join();
    EXPECT_FALSE(initialisedThere);
    EXPECT_EQ(otherThread, CO_E_NOTINITIALIZED);
    EXPECT_NE(otherText.find("CoInitialize"), std::string::npos);
    EXPECT_FALSE(takeErrorInfo()) << "error info belongs to the thread that failed";
}

TEST(ComStatus, SuccessAndFailureFollowTheSignBit) {
    EXPECT_TRUE(succeeded(S_OK));
    EXPECT_TRUE(succeeded(S_FALSE));
    EXPECT_TRUE(failed(E_FAIL));
    EXPECT_TRUE(failed(REGDB_E_CLASSNOTREG));
    EXPECT_EQ(static_cast<std::uint32_t>(CO_E_NOTINITIALIZED), 0x800401F0u);
}

} // namespace
