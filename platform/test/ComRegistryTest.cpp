#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"
#include "platform/EventLoop.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"
#include "support/TestPrinterControl.h"

using namespace platform;

namespace {

// A string value of HKEY_CLASSES_ROOT, or "<missing>".
std::string ClassesValue(const std::string& path, const char* name = "") {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<missing>";
    }
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc =
        RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
    return std::string(data, size);
}

bool ClassesKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

const Guid kOtherClass{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};

class ComRegistryTest : public support::TempRootTest {
protected:
    EventLoop loop;  // the controls' events go to this thread's loop
};

}  // namespace

TEST_F(ComRegistryTest, SelfRegistrationWritesTheClassAndCreationFindsItByClassId) {
    const std::string clsid = "CLSID\\{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}";
    std::shared_ptr<IDispatch> control;
    EXPECT_EQ(CreateInstanceByClassId(support::kPrinterControlClassId, &control),
              REGDB_E_CLASSNOTREG);
    EXPECT_NE(ComLastErrorText().find("{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}"), std::string::npos);
    EXPECT_FALSE(control);

    ASSERT_EQ(support::RegisterTestPrinterControl(), S_OK) << ComLastErrorText();
    const std::string module =
        std::filesystem::weakly_canonical(support::TestPrinterControlModule()).string();
    EXPECT_EQ(ClassesValue(clsid), "Printer Control");
    EXPECT_EQ(ClassesValue(clsid + "\\InprocServer32"), module);
    EXPECT_EQ(ClassesValue(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesValue(clsid + "\\ProgID"), "BRXAPI.PrinterCtrl.1");
    EXPECT_EQ(ClassesValue(clsid + "\\TypeLib"), "{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}");
    EXPECT_EQ(ClassesValue(clsid + "\\Version"), "1.0");
    EXPECT_EQ(ClassesValue("BRXAPI.PrinterCtrl.1\\CLSID"),
              "{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}");
    EXPECT_EQ(ClassesValue("TypeLib\\{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}\\1.0\\409\\linux"),
              module);

    ASSERT_EQ(CreateInstanceByClassId(support::kPrinterControlClassId, &control), S_OK)
        << ComLastErrorText();
    ASSERT_TRUE(control);
    Variant code = Variant::I4(99);
    EXPECT_EQ(control->Invoke(support::printer::LastError, DispatchKind::PropertyGet, {}, &code),
              S_OK);
    EXPECT_EQ(code, Variant::I2(0));
    ASSERT_NE(support::HostSideOf(*control), nullptr);

    // One load serves every object; the module stays while any of them lives.
    std::shared_ptr<IDispatch> second;
    ASSERT_EQ(CreateInstanceByClassId(support::kPrinterControlClassId, &second), S_OK);
    EXPECT_NE(support::HostSideOf(*second), nullptr);
    EXPECT_EQ(FreeUnusedModules(), 0u);
    control.reset();
    second.reset();

    // Unregistered, the class is refused again and its keys are gone.
    ASSERT_EQ(UnregisterServer(support::TestPrinterControlModule()), S_OK) << ComLastErrorText();
    EXPECT_FALSE(ClassesKeyExists(clsid));
    EXPECT_FALSE(ClassesKeyExists("BRXAPI.PrinterCtrl.1"));
    EXPECT_FALSE(ClassesKeyExists("TypeLib\\{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}"));
    EXPECT_EQ(CreateInstanceByClassId(support::kPrinterControlClassId, &control),
              REGDB_E_CLASSNOTREG);
    EXPECT_GE(FreeUnusedModules(), 1u);  // no object lives now: the module may go
}

TEST_F(ComRegistryTest, CreationFailsClearlyForEachBrokenLink) {
    const std::filesystem::path noEntryPoint = MapLibraryName("TrevoTestModule.DLL");
    struct Case {
        const char* what;
        Guid classId;
        std::string module;  // "" registers nothing
        HRESULT expected;
    };
    const Case cases[] = {
        {"class not registered", kOtherClass, "", REGDB_E_CLASSNOTREG},
        {"module missing", kOtherClass, (root / "gone/Missing.so").string(),
         HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"module without a class object", kOtherClass, noEntryPoint.string(),
         HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)},
        {"module that does not make the class", kOtherClass,
         support::TestPrinterControlModule().string(), CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.module.empty()) {
            ASSERT_EQ(
                RegisterComClass({.classId = c.classId, .typeName = "Other", .module = c.module}),
                S_OK);
        }
        std::shared_ptr<IDispatch> object;
        EXPECT_EQ(CreateInstanceByClassId(c.classId, &object), c.expected);
        EXPECT_FALSE(object);
        EXPECT_FALSE(ComLastErrorText().empty());
        EXPECT_EQ(UnregisterComClass(c.classId, ""), S_OK);
    }
    std::shared_ptr<IDispatch> object;
    EXPECT_EQ(CreateInstanceByClassId(kOtherClass, nullptr), E_POINTER);
    EXPECT_EQ(RegisterServer(noEntryPoint), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(RegisterServer(root / "gone/Missing.so"), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
}

TEST_F(ComRegistryTest, AModuleNamedWithoutAFolderIsFoundInThePluginFolder) {
    ASSERT_EQ(RegisterComClass({.classId = support::kPrinterControlClassId,
                                .typeName = "Printer Control",
                                .module = "C:\\WINDOWS\\TestPrinterControl.DLL"}),
              S_OK);
    std::filesystem::path module;
    ASSERT_EQ(ModulePathOfClass(support::kPrinterControlClassId, &module), S_OK);
    EXPECT_EQ(module, support::TestPrinterControlModule());
    std::shared_ptr<IDispatch> control;
    EXPECT_EQ(CreateInstanceByClassId(support::kPrinterControlClassId, &control), S_OK)
        << ComLastErrorText();
}

TEST_F(ComRegistryTest, UnregisteringLeavesAProgIdThatNamesAnotherClass) {
    ASSERT_EQ(RegisterComClass({.classId = kOtherClass,
                                .progId = "Shared.Name.1",
                                .typeName = "Other",
                                .module = "/x/Other.so"}),
              S_OK);
    ASSERT_EQ(RegisterComClass({.classId = support::kPrinterControlClassId,
                                .typeName = "Printer",
                                .module = "/x/P.so"}),
              S_OK);
    EXPECT_EQ(UnregisterComClass(support::kPrinterControlClassId, "Shared.Name.1"), S_OK);
    EXPECT_FALSE(ClassesKeyExists("CLSID\\" + support::kPrinterControlClassId.ToString()));
    EXPECT_EQ(ClassesValue("Shared.Name.1\\CLSID"), kOtherClass.ToString());
    EXPECT_TRUE(ClassesKeyExists("CLSID\\" + kOtherClass.ToString() + "\\InprocServer32"));
    // Removing what is not there is no failure.
    EXPECT_EQ(UnregisterComClass(support::kPrinterControlClassId, "Never.There"), S_OK);
    EXPECT_EQ(UnregisterComTypeLib(kOtherClass, "1.0"), S_OK);
}
