// The whole path a host takes on Linux: dq-regsvr registers the built module, CoCreateInstance
// loads it and creates the filter, the mapper finds it, and once everything is released the
// module is unloaded.
#include <cstdio>

#include "filter/i_direct_quorbit.h"
#include "tests/registration/module_registration.h"

using namespace dqtest;

namespace {

// Runs dq-regsvr with the test's registry; returns its exit status and output.
// registry, when given, names another database for that run.
int RegSvr(const std::string& args, std::string* output = nullptr,
           const std::string& registry = "") {
    const std::string env = registry.empty() ? "" : "DQ_REGISTRY='" + registry + "' ";
    FILE* pipe = popen((env + DQ_REGSVR + " " + args + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buf[512];
    std::string text;
    while (fgets(buf, sizeof buf, pipe) != nullptr)
        text += buf;
    const int status = pclose(pipe);
    if (output != nullptr)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::u16string PinName(IPin* pin) {
    PIN_INFO info{};
    pin->QueryPinInfo(&info);
    if (info.pFilter != nullptr)
        info.pFilter->Release();
    return info.achName;
}

} // namespace

TEST_F(RegistryTest, RegisterCreateFindReleaseUnload) {
    const std::string module = DQ_MODULE_PATH;
    std::string output;
    ASSERT_EQ(RegSvr(module, &output), 0) << output;
    EXPECT_NE(output.find("DllRegisterServer in " + module + " succeeded"), std::string::npos);
    EXPECT_FALSE(IsLoaded(module)); // the tool ran in its own process

    {
        Ref<IBaseFilter> filter;
        ASSERT_EQ(CoCreateInstance(kFilterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   filter.outVoid()),
                  S_OK);
        EXPECT_TRUE(IsLoaded(module));
        CLSID id{};
        EXPECT_EQ(filter->GetClassID(&id), S_OK);
        EXPECT_TRUE(IsEqualGUID(id, kFilterClass));
        Ref<IEnumPins> pins;
        ASSERT_EQ(filter->EnumPins(pins.out()), S_OK);
        IPin* pin[3] = {};
        ULONG fetched = 0;
        EXPECT_EQ(pins->Next(3, pin, &fetched), S_FALSE);
        ASSERT_EQ(fetched, 2u);
        EXPECT_EQ(PinName(pin[0]), u"Input");
        EXPECT_EQ(PinName(pin[1]), u"Output");
        pin[0]->Release();
        pin[1]->Release();
        Ref<IDirectQuorbit> settings;
        ASSERT_EQ(filter->QueryInterface(IID_IDirectQuorbit, settings.outVoid()), S_OK);
        LONG delay = 0;
        EXPECT_EQ(settings->put_Delay(-7), S_OK);
        EXPECT_EQ(settings->get_Delay(&delay), S_OK);
        EXPECT_EQ(delay, -7);

        // The mapper finds it by its input type, and its moniker makes another one.
        Ref<IFilterMapper2> mapper;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterMapper2, mapper.outVoid()),
                  S_OK);
        const GUID types[2] = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24};
        Ref<IEnumMoniker> found;
        ASSERT_EQ(mapper->EnumMatchingFilters(found.out(), 0, FALSE, 0, TRUE, 1, types, nullptr,
                                              nullptr, FALSE, FALSE, 0, nullptr, nullptr, nullptr),
                  S_OK);
        Ref<IMoniker> moniker;
        ASSERT_EQ(found->Next(1, moniker.out(), nullptr), S_OK);
        EXPECT_TRUE(IsEqualGUID(ReadEntry(moniker.get()).clsid, kFilterClass));
        Ref<IBaseFilter> second;
        ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, second.outVoid()), S_OK);
        EXPECT_NE(second.get(), filter.get());

        CoFreeUnusedLibraries();
        EXPECT_TRUE(IsLoaded(module)) << "unloaded under live filters";
    }
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(module));
    // The libraries it brought in stay: they cannot be loaded a second time.
    EXPECT_TRUE(IsLoaded("libpango-1.0.so.0"));
    {
        Ref<IBaseFilter> again; // loads it a second time
        ASSERT_EQ(CoCreateInstance(kFilterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   again.outVoid()),
                  S_OK);
    }
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(module));

    ASSERT_EQ(RegSvr("--query {8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}", &output), 0) << output;
    EXPECT_NE(output.find("ThreadingModel = REG_SZ \"Both\""), std::string::npos) << output;
    EXPECT_NE(output.find("merit 0x00200000"), std::string::npos) << output;
    EXPECT_NE(output.find("pin \"Output\": output"), std::string::npos) << output;

    ASSERT_EQ(RegSvr("/u /s " + module, &output), 0);
    EXPECT_EQ(output, "");
    void* out = nullptr;
    EXPECT_EQ(CoCreateInstance(kFilterClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(RegSvr("--query {8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}"), 2);
    EXPECT_EQ(RegSvr("/x " + module), 1);
}

TEST(RegSvrQuery, ACorruptDatabaseIsReportedAsSuchNotAsNotRegistered) {
    const std::string path = testing::TempDir() + "dq-regsvr-corrupt-" + std::to_string(getpid());
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (int i = 0; i < 200; ++i)
            std::fputs("this is not a registry database\n", f);
        std::fclose(f);
    }
    std::string output;
    EXPECT_EQ(RegSvr("--query {8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}", &output, path), 6) << output;
    EXPECT_NE(output.find("corrupt"), std::string::npos) << output;
    EXPECT_EQ(output.find("not registered"), std::string::npos) << output;
    std::remove(path.c_str());
}
