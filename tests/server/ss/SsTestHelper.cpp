// Drives the server library directly for the fault tests, where the timing of each call
// matters more than a process per call allows:
//   ss_test_helper checkout-all DB USER PROJECT COUNT FOLDER
//     sets USER's working folder, prints "ready", waits for a line on standard input, then
//     checks out files 0..COUNT-1 of PROJECT in a shuffled order, printing "ok NAME" or "refused
//     NAME MESSAGE".
//   ss_test_helper checkin-series DB USER PROJECT COUNT SIZE
//     for each file: check out, replace the local copy by its version-2 content, check in;
//     prints "done INDEX" after each check-in.
//   ss_test_helper new-versions DB USER PROJECT COUNT SIZE FOLDER
//     checks in each file's version-2 content from FOLDER, which is nobody's working folder.
//   ss_test_helper checkout-run DB USER PROJECT COUNT run|calls
//     checks out files 0..COUNT-1 one call each, inside one run (IVSSRun) or as separate
//     calls; prints "done INDEX" after each and "ended" once the run has ended. With
//     QM_FLUSH_LOG set, the same marks go to that file, between the fault shim's flush lines.
//   ss_test_helper get-series DB USER PROJECT COUNT
//     gets files 0..COUNT-1 one call each inside one run, as the get-latest dialog does
//     (the gets announced first, children listed once, each looked up by name, its local path
//     read, Get); prints "done INDEX" after each.
#include "Contents.h"

#include <com/Com.h>
#include <vss/VssInterfaces.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" com::HRESULT ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out);

namespace {

using com::ComPtr;

std::string describe(com::HRESULT hr) {
    const auto info = com::takeErrorInfo();
    return info ? com::narrow(*info) : "status " + std::to_string(hr);
}

void check(com::HRESULT hr, const std::string& call) {
    if (com::failed(hr))
        throw std::runtime_error(call + ": " + describe(hr));
}

ComPtr<vss::IVSSDatabase> open(const std::string& folder, const std::string& user) {
    ComPtr<vss::IVSSDatabase> db;
    check(ComGetClassObject(&vss::CLSID_VSSDatabase, &vss::IVSSDatabase::kIid, db.putVoid()),
          "ComGetClassObject");
    check(db->Open(com::widen(folder + "/srcsafe.ini"), com::widen(user), u""), "Open");
    return db;
}

ComPtr<vss::IVSSItem> item(vss::IVSSDatabase& db, const std::string& spec) {
    ComPtr<vss::IVSSItem> result;
    check(db.get_VSSItem(com::widen(spec), com::kFalse, result.put()), "get_VSSItem " + spec);
    return result;
}

std::string localSpec(vss::IVSSItem& file) {
    std::u16string local;
    check(file.get_LocalSpec(&local), "get_LocalSpec");
    return com::narrow(local);
}

// The helper's own edit of a working file, atomic like every other write to it.
void replaceFile(const std::filesystem::path& file, const std::string& content) {
    const std::filesystem::path temp = file.string() + ".helper-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out.flush())
            throw std::runtime_error("cannot write " + temp.string());
    }
    std::filesystem::rename(temp, file);
}

int checkoutAll(char** argv) {
    const std::string project = argv[4];
    const int count = std::stoi(argv[5]);
    auto db = open(argv[2], argv[3]);
    check(item(*db, project)->put_LocalSpec(com::widen(argv[6])), "put_LocalSpec");
    std::cout << "ready" << std::endl;
    std::string go;
    std::getline(std::cin, go);
    // Each user walks the files in an order of its own, so the two meet on files all along
    // the way instead of one trailing the other.
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(std::hash<std::string>{}(argv[3])));
    for (const int i : order) {
        const std::string name = sstest::fileName(i);
        auto file = item(*db, project + "/" + name);
        const com::HRESULT hr = file->Checkout(u"", com::widen(localSpec(*file)), 0);
        if (com::succeeded(hr))
            std::cout << "ok " << name << "\n";
        else
            std::cout << "refused " << name << " " << describe(hr) << "\n";
    }
    std::cout.flush();
    return 0;
}

int checkinSeries(char** argv) {
    const std::string project = argv[4];
    const int count = std::stoi(argv[5]);
    const std::size_t size = std::stoul(argv[6]);
    auto db = open(argv[2], argv[3]);
    for (int i = 0; i < count; ++i) {
        auto file = item(*db, project + "/" + sstest::fileName(i));
        const std::string local = localSpec(*file);
        check(file->Checkout(u"", com::widen(local), 0), "Checkout");
        replaceFile(local, sstest::knownContent(i, 2, size));
        check(file->Checkin(u"series", com::widen(local), 0), "Checkin");
        std::cout << "done " << i << std::endl;
    }
    return 0;
}

int newVersions(char** argv) {
    const std::string project = argv[4];
    const int count = std::stoi(argv[5]);
    const std::size_t size = std::stoul(argv[6]);
    const std::filesystem::path folder = argv[7];
    auto db = open(argv[2], argv[3]);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const std::string name = sstest::fileName(i);
        auto file = item(*db, project + "/" + name);
        const std::u16string local = com::widen((folder / name).string());
        check(file->Checkout(u"", local, vss::FlagDontGetLocal), "Checkout");
        replaceFile(folder / name, sstest::knownContent(i, 2, size));
        check(file->Checkin(u"version 2", local, 0), "Checkin");
    }
    return 0;
}

// A mark among the flushes that the fault shim logs.
void markFlushLog(const std::string& mark) {
    if (const char* log = std::getenv("QM_FLUSH_LOG"); log && *log) {
        std::ofstream out(log, std::ios::app);
        out << mark << "\n";
    }
}

int checkoutRun(char** argv) {
    const std::string project = argv[4];
    const int count = std::stoi(argv[5]);
    const bool inRun = std::string(argv[6]) == "run";
    auto db = open(argv[2], argv[3]);
    ComPtr<vss::IVSSRun> run;
    if (inRun) {
        check(db.queryInto(run), "QueryInterface IVSSRun");
        check(run->BeginRun(), "BeginRun");
    }
    markFlushLog("begin");
    for (int i = 0; i < count; ++i) {
        auto file = item(*db, project + "/" + sstest::fileName(i));
        check(file->Checkout(u"", com::widen(localSpec(*file)), 0), "Checkout");
        markFlushLog("done " + std::to_string(i));
        std::cout << "done " << i << std::endl;
    }
    if (inRun)
        check(run->EndRun(), "EndRun");
    markFlushLog("ended");
    std::cout << "ended" << std::endl;
    return 0;
}

int getSeries(char** argv) {
    const std::string project = argv[4];
    const int count = std::stoi(argv[5]);
    auto db = open(argv[2], argv[3]);
    ComPtr<vss::IVSSRun> run;
    check(db.queryInto(run), "QueryInterface IVSSRun");
    check(run->BeginRun(), "BeginRun");
    ComPtr<vss::IVSSCopyAhead> ahead;
    check(db.queryInto(ahead), "QueryInterface IVSSCopyAhead");
    std::vector<std::u16string> specs;
    for (int i = 0; i < count; ++i)
        specs.push_back(com::widen(project + "/" + sstest::fileName(i)));
    check(ahead->Announce(vss::VSSCopyGet, specs, 0), "Announce");
    ComPtr<vss::IVSSItems> children;
    check(item(*db, project)->get_Items(com::kFalse, children.put()), "get_Items");
    for (int i = 0; i < count; ++i) {
        ComPtr<vss::IVSSItem> file;
        check(children->get_Item(com::Variant(com::widen(sstest::fileName(i))), file.put()),
              "get_Item");
        std::u16string local = com::widen(localSpec(*file));
        check(file->Get(&local, 0), "Get");
        std::cout << "done " << i << std::endl;
    }
    check(run->EndRun(), "EndRun");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    com::CoInitialize();
    int code = 2;
    try {
        if (command == "checkout-all" && argc == 7)
            code = checkoutAll(argv);
        else if (command == "checkin-series" && argc == 7)
            code = checkinSeries(argv);
        else if (command == "new-versions" && argc == 8)
            code = newVersions(argv);
        else if (command == "checkout-run" && argc == 7)
            code = checkoutRun(argv);
        else if (command == "get-series" && argc == 6)
            code = getSeries(argv);
        else
            std::cerr << "usage: ss_test_helper checkout-all|checkin-series|new-versions|"
                         "checkout-run|get-series ...\n";
    } catch (const std::exception& e) {
        std::cout << "error " << e.what() << std::endl;
        code = 1;
    }
    com::CoUninitialize();
    return code;
}
