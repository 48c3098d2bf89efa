// The interface and class identifiers shared by the COM tests and their test server library.
#pragma once

#include <com/Com.h>

namespace comtest {

class ITestObject : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A0C1B7E-2F4D-4E61-9A3B-7C1D2E3F4A50");
    virtual com::HRESULT GetValue(std::int32_t* out) = 0;
};

// Created by the test server.
inline constexpr com::CLSID kWorkingClass = com::guid("5A0C1B7E-2F4D-4E61-9A3B-7C1D2E3F4A51");
// The server refuses with a description of its own.
inline constexpr com::CLSID kRefusingClass = com::guid("5A0C1B7E-2F4D-4E61-9A3B-7C1D2E3F4A52");
// The server refuses without a description.
inline constexpr com::CLSID kSilentClass = com::guid("5A0C1B7E-2F4D-4E61-9A3B-7C1D2E3F4A53");

inline constexpr std::int32_t kTestValue = 4711;
inline constexpr char16_t kRefusal[] = u"The test server refuses to create this class";

// Exported by the test server: how many of its objects are alive.
inline constexpr char kLiveObjectsSymbol[] = "ComTestLiveObjects";
using LiveObjectsFunction = int (*)();

} // namespace comtest
