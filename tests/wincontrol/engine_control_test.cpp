// The engine control end to end on Windows: the reference engine's DLL registers
// itself, the adapter creates it by ProgID, sites it, calls it by dispatch
// identifier, paints through it into a DIB section and receives its events.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/frm_strato.h"
#include "wincontrol/engine_control.h"
#include "wincontrol/engine_members.h"
#include "wincontrol/engine_registration.h"

namespace k9::wincontrol {
namespace {

using Entry = HRESULT(STDAPICALLTYPE*)();

// A build path in the form Wine's Windows programs see it (drive Z: is the root).
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string DataFolder(const char* name) {
  return WindowsPath(std::string(K9_SOURCE_DIR) + "/data/engine/" + name);
}

HMODULE g_engine_dll = nullptr;

HRESULT CallEntry(const char* name) {
  const auto entry =
      reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(g_engine_dll, name)));
  if (entry == nullptr) return E_NOTIMPL;
  return entry();
}

std::wstring ReadClassesText(const std::wstring& key, const wchar_t* value = nullptr) {
  wchar_t text[MAX_PATH + 1] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS)
    return L"<none>";
  return text;
}

bool ClassesKeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

// COM for the whole program, and the engine registered as a product installer would.
class EngineDllEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const std::string dll = WindowsPath(K9_ENGINE_DLL);
    g_engine_dll = LoadLibraryA(dll.c_str());
    ASSERT_NE(g_engine_dll, nullptr) << dll;
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
  }
  void TearDown() override {
    CallEntry("DllUnregisterServer");
    OleUninitialize();
  }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new EngineDllEnvironment);

class Recorder : public MapEngineEvents {
 public:
  explicit Recorder(MapEngine* engine = nullptr) : engine_(engine) {}
  void FoundItem() override {
    log.push_back("FoundItem");
    if (engine_ != nullptr) found.push_back(engine_->FoundText());
  }
  void FoundPlace() override { log.push_back("FoundPlace"); }
  void PaintBefore(DeviceContext dc) override { Paint("PaintBefore", dc); }
  void DirectBefore(DeviceContext dc) override { Paint("DirectBefore", dc); }
  void Direct(DeviceContext dc) override { Paint("Direct", dc); }

  std::vector<std::string> log;
  std::vector<std::string> found;
  std::vector<DeviceContext> dcs;

 private:
  void Paint(const char* name, DeviceContext dc) {
    log.push_back(name);
    dcs.push_back(dc);
  }
  MapEngine* engine_;
};

// A top-down 32-bit DIB section selected into a memory device context.
class DibPicture {
 public:
  DibPicture(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~DibPicture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DeviceContext dc() const { return reinterpret_cast<DeviceContext>(dc_); }
  bool ok() const { return dc_ != nullptr && bitmap_ != nullptr && bits_ != nullptr; }
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFFu;
  }
  int Count(std::uint32_t pixel) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) n += At(x, y) == pixel ? 1 : 0;
    return n;
  }
  // Whether `pixel` occurs within two pixels of (x, y).
  bool Near(int x, int y, std::uint32_t pixel) const {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const int px = x + dx, py = y + dy;
        if (px >= 0 && py >= 0 && px < width_ && py < height_ && At(px, py) == pixel) return true;
      }
    return false;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

void PointAtData(MapEngine& engine) {
  engine.Path_states(DataFolder("states"));
  engine.Path_statesEx(DataFolder("us"));
  engine.Path_data1(DataFolder("world"));
}

TEST(EngineControl, AnswersTheEngineMembersByDispatchIdentifierThroughTheAdapter) {
  auto engine = CreateEngineControl(kEngineProgId);
  PointAtData(*engine);
  EXPECT_EQ(engine->Path_statesEx(), DataFolder("us"));

  engine->Shade_Cnty(true);
  EXPECT_TRUE(engine->Shade_Cnty());
  engine->Shade_Cnty(false);
  EXPECT_FALSE(engine->Shade_Cnty());
  engine->OverlayVisible(false);
  EXPECT_FALSE(engine->OverlayVisible());

  engine->LandColor(0x123456);
  EXPECT_EQ(engine->LandColor(), 0x123456);
  engine->EngineCommand(2, 0x00AA00);
  EXPECT_EQ(engine->EngineCommand(0, 1), 0x00AA00);

  engine->SetMapSize(400, 300);
  engine->SetViewCorners(-100, 40, -90, 30);
  EXPECT_LE(engine->ViewWest(), -100 + 1e-9);
  EXPECT_GE(engine->ViewEast(), -90 - 1e-9);
  EXPECT_GE(engine->ViewNorth(), 40 - 1e-9);
  EXPECT_LE(engine->ViewSouth(), 30 + 1e-9);
  engine->CentreView(-80, 35);
  EXPECT_NEAR((engine->ViewWest() + engine->ViewEast()) / 2, -80, 1e-6);
  const double width = engine->ViewEast() - engine->ViewWest();
  engine->ZoomInStep();
  EXPECT_NEAR(engine->ViewEast() - engine->ViewWest(), width / 2, 1e-6);
  engine->PanStep(6);
  engine->ZoomLevel(12);

  // The numbered members without names go through by identifier.
  engine->PutMember(149, EngineValue{std::int32_t{6}});
  engine->PutMember(138, EngineValue{true});
  engine->CallMember(698);
  engine->SetStartValue("Coords", EngineValue{std::string("CdLonLat")});
}

TEST(EngineControl, EngineFailuresArriveAsExceptionsWithTheEnginesDescription) {
  auto engine = CreateEngineControl(kEngineProgId);
  try {
    engine->PanStep(5);
    FAIL() << "pan code 5 was accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("unknown pan direction"), std::string::npos) << e.what();
  }
  EXPECT_THROW(engine->PaintToDC(0, 0, 0, 10, 10, false, false, false), std::runtime_error);
  EXPECT_THROW(engine->CallMember(4242), std::runtime_error);
  EXPECT_THROW(engine->EngineCommand(777, 0), std::runtime_error);
  // The engine stays usable after a failed call.
  engine->SetMapSize(100, 100);
  engine->SetViewCorners(-100, 40, -90, 30);
  EXPECT_LT(engine->ViewWest(), engine->ViewEast());

  try {
    CreateEngineControl("Kestrel9Test.NoSuchEngine");
    FAIL() << "an unregistered ProgID was created";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Kestrel9Test.NoSuchEngine"), std::string::npos);
  }
}

TEST(EngineControl, PaintsTheViewIntoTheDeviceContextItIsGivenAndReportsThePaint) {
  auto engine = CreateEngineControl(kEngineProgId);
  Recorder recorder;
  engine->SetEvents(&recorder);
  PointAtData(*engine);
  engine->LandColor(0x0000FF);         // red, as OLE 0x00BBGGRR
  engine->EngineCommand(2, 0xFF0000);  // blue sea
  constexpr int kWidth = 240, kHeight = 160;
  engine->SetMapSize(kWidth, kHeight);
  engine->SetViewCorners(-125, 50, -66, 24);

  DibPicture picture(kWidth, kHeight);
  ASSERT_TRUE(picture.ok());
  engine->PaintToDC(picture.dc(), 0, 0, kWidth, kHeight, false, false, false);

  constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;  // DIB pixels are 0x00RRGGBB
  EXPECT_GT(picture.Count(kRed), kWidth * kHeight / 4);
  EXPECT_GT(picture.Count(kBlue), kWidth * kHeight / 20);
  const double w = engine->ViewWest(), e = engine->ViewEast();
  const double n = engine->ViewNorth(), s = engine->ViewSouth();
  auto px = [&](double x) { return static_cast<int>((x - w) / (e - w) * kWidth); };
  auto py = [&](double y) { return static_cast<int>((n - y) / (n - s) * kHeight); };
  EXPECT_TRUE(picture.Near(px(-100.5), py(38.5), kRed));   // Kansas
  EXPECT_TRUE(picture.Near(px(-123.5), py(27.0), kBlue));  // the Pacific off Baja California
  EXPECT_FALSE(picture.Near(px(-123.5), py(27.0), kRed));

  EXPECT_EQ(recorder.log, (std::vector<std::string>{"PaintBefore", "DirectBefore", "Direct"}));
  EXPECT_EQ(recorder.dcs, (std::vector<DeviceContext>(3, picture.dc())));

  // After SetEvents(nullptr) the engine paints without telling anyone.
  engine->SetEvents(nullptr);
  engine->PaintToDC(picture.dc(), 0, 0, kWidth, kHeight, false, false, true);
  EXPECT_EQ(recorder.log.size(), 3u);
}

TEST(EngineControl, FoundItemEventsArriveWhileTheSearchRunsAndCanReadTheEngine) {
  auto engine = CreateEngineControl(kEngineProgId);
  Recorder recorder(engine.get());
  engine->SetEvents(&recorder);
  PointAtData(*engine);
  const std::int32_t matches = engine->FindAddress("00501");
  ASSERT_GE(matches, 1);
  EXPECT_EQ(recorder.log, std::vector<std::string>(static_cast<std::size_t>(matches), "FoundItem"));
  ASSERT_EQ(recorder.found.size(), static_cast<std::size_t>(matches));
  EXPECT_NE(recorder.found[0].find("00501"), std::string::npos) << recorder.found[0];
  EXPECT_EQ(engine->FoundText(), recorder.found.back());

  recorder.log.clear();
  EXPECT_EQ(engine->FindPhone("not a number"), 0);
  EXPECT_TRUE(recorder.log.empty());
}

// The hidden map form of the server, holding the engine through the adapter.
class FormEvents : public frmStrato::Events {
 public:
  void Find(std::string& text) override { finds.push_back(text); }
  std::vector<std::string> finds;
};

TEST(EngineControl, TheMapFormLoadsTheControlByProgIdAndRaisesFindForEachMatch) {
  FormEvents events;
  frmStrato form(MakeEngineControlFactory(), &events);
  form.Load();
  ASSERT_TRUE(form.Loaded());
  PointAtData(form.Strato());
  const std::int32_t matches = form.Strato().FindAddress("00501");
  ASSERT_GE(matches, 1);
  ASSERT_EQ(events.finds.size(), static_cast<std::size_t>(matches));
  EXPECT_EQ(events.finds.back(), form.Strato().FoundText());
  form.Unload();
  EXPECT_FALSE(form.Loaded());
}

TEST(EngineControl, TheMapFormsWindowIsShownPlacedAndSizedAsTheFormSays) {
  FormEvents events;
  frmStrato form(MakeEngineControlFactory(), &events);
  form.Load();
  const HWND window = FindWindowW(L"Kestrel9.frmStrato", nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  form.Width(200);
  form.Height(200);
  form.Left(3000);
  form.Top(1500);
  form.Show();
  EXPECT_TRUE(IsWindowVisible(window));
  RECT rect{};
  GetWindowRect(window, &rect);
  HDC screen = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(rect.left, MulDiv(3000, dpi_x, 1440));
  EXPECT_EQ(rect.top, MulDiv(1500, dpi_y, 1440));
  EXPECT_EQ(rect.right - rect.left, MulDiv(200, dpi_x, 1440));
  EXPECT_EQ(rect.bottom - rect.top, MulDiv(200, dpi_y, 1440));
  form.Hide();
  EXPECT_FALSE(IsWindowVisible(window));
  form.Unload();
  EXPECT_FALSE(IsWindow(window));
}

TEST(EngineControl, TheImportManagerIsAnObjectTheAdapterGetsAndShows) {
  auto engine = CreateEngineControl(kEngineProgId);
  std::unique_ptr<EngineImportManager> manager = engine->ImportManager();
  ASSERT_NE(manager, nullptr);
  manager->Show();  // headless here: the dialog answers at once
}

// A plain late-binding client, as script hosts call the control.
class RawClient : public ::testing::Test {
 protected:
  void SetUp() override {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"Cartex71.Cartex", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&disp_)),
              S_OK);
  }
  void TearDown() override {
    if (disp_ != nullptr) disp_->Release();
  }
  DISPID Id(const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(disp_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
  }
  // Arguments in the caller's order.
  HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr,
               UINT* bad_arg = nullptr, EXCEPINFO* error = nullptr) {
    std::vector<VARIANT> slots(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{slots.empty() ? nullptr : slots.data(), nullptr,
                      static_cast<UINT>(slots.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    UINT arg = 0;
    EXCEPINFO info{};
    const HRESULT hr = disp_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                     error != nullptr ? error : &info, bad_arg ? bad_arg : &arg);
    if (error == nullptr) {
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
    }
    return hr;
  }
  static VARIANT Double(double v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_R8;
    x.dblVal = v;
    return x;
  }
  static VARIANT Ref(VARIANT* v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BYREF | VT_VARIANT;
    x.pvarVal = v;
    return x;
  }
  IDispatch* disp_ = nullptr;
};

TEST_F(RawClient, NamesMapToTheDispatchIdentifiersInAnyCase) {
  EXPECT_EQ(Id(L"SetViewCorners"), 706);
  EXPECT_EQ(Id(L"setviewcorners"), 706);
  EXPECT_EQ(Id(L"PaintToDC"), 123);
  EXPECT_EQ(Id(L"FoundPlaceText"), 25);
  EXPECT_EQ(Id(L"AboutBox"), -552);
  // The form's stored start values are kept by name and read back.
  const DISPID magnitude = Id(L"Magnitude");
  EXPECT_EQ(Id(L"MAGNITUDE"), magnitude);
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"M300_0");
  EXPECT_EQ(Call(magnitude, DISPATCH_PROPERTYPUT, {text}), S_OK);
  VariantClear(&text);
  VARIANT back;
  VariantInit(&back);
  ASSERT_EQ(Call(magnitude, DISPATCH_PROPERTYGET, {}, &back), S_OK);
  ASSERT_EQ(back.vt, VT_BSTR);
  EXPECT_STREQ(back.bstrVal, L"M300_0");
  VariantClear(&back);
}

TEST_F(RawClient, AcceptsArgumentsByReferenceAndRefusesBadOnesWithoutHarm) {
  VARIANT corners[4] = {Double(-100), Double(40), Double(-90), Double(30)};
  std::vector<VARIANT> refs;
  for (VARIANT& c : corners) refs.push_back(Ref(&c));
  VARIANT size[2];
  for (VARIANT& s : size) {
    VariantInit(&s);
    s.vt = VT_I2;
    s.iVal = 100;
  }
  EXPECT_EQ(Call(kSetMapSize, DISPATCH_METHOD, {size[0], size[1]}), S_OK);
  EXPECT_EQ(Call(kSetViewCorners, DISPATCH_METHOD, refs), S_OK);
  VARIANT west;
  VariantInit(&west);
  ASSERT_EQ(Call(kViewWest, DISPATCH_PROPERTYGET, {}, &west), S_OK);
  EXPECT_EQ(west.vt, VT_R8);
  EXPECT_LE(west.dblVal, -100 + 1e-9);

  // A text that is no number, in third place (the second slot from the end).
  VARIANT word;
  VariantInit(&word);
  word.vt = VT_BSTR;
  word.bstrVal = SysAllocString(L"north");
  UINT bad = 99;
  EXPECT_EQ(Call(kSetViewCorners, DISPATCH_METHOD, {corners[0], corners[1], word, corners[3]},
                 nullptr, &bad),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 1u);
  VariantClear(&word);
  EXPECT_EQ(Call(kSetViewCorners, DISPATCH_METHOD, {corners[0]}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(4711, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(kViewWest, DISPATCH_PROPERTYPUT, {corners[0]}), DISP_E_MEMBERNOTFOUND);

  EXCEPINFO error{};
  VARIANT code;
  VariantInit(&code);
  code.vt = VT_I4;
  code.lVal = 5;
  EXPECT_EQ(Call(kPanStep, DISPATCH_METHOD, {code}, nullptr, nullptr, &error), DISP_E_EXCEPTION);
  EXPECT_NE(std::wstring(error.bstrDescription).find(L"pan direction"), std::wstring::npos);
  EXPECT_STREQ(error.bstrSource, L"Cartex71.Cartex");
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);

  VARIANT after;
  VariantInit(&after);
  ASSERT_EQ(Call(kViewWest, DISPATCH_PROPERTYGET, {}, &after), S_OK);
  EXPECT_EQ(after.dblVal, west.dblVal);
}

TEST_F(RawClient, Member193IsAPropertyAnsweringTheImportManagerWithItsShowMethod) {
  VARIANT manager;
  VariantInit(&manager);
  ASSERT_EQ(Call(kImportManager, DISPATCH_PROPERTYGET, {}, &manager), S_OK);
  ASSERT_EQ(manager.vt, VT_DISPATCH);
  ASSERT_NE(manager.pdispVal, nullptr);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"show")};
  DISPID show = DISPID_UNKNOWN;
  ASSERT_EQ(manager.pdispVal->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &show), S_OK);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(manager.pdispVal->Invoke(show, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                     nullptr, nullptr, nullptr),
            S_OK);
  VariantClear(&manager);
  EXPECT_EQ(Call(kImportManager, DISPATCH_PROPERTYPUT, {Double(1)}), DISP_E_MEMBERNOTFOUND);
}

TEST(EngineRegistration, WritesTheProgIdAndClassAndRemovesOnlyWhatItWrote) {
  const std::wstring clsid = WideFromAnsi(kEngineClsidText);
  const std::wstring class_key = L"CLSID\\" + clsid;
  EXPECT_EQ(ReadClassesText(L"Cartex71.Cartex\\CLSID"), clsid);
  EXPECT_EQ(ReadClassesText(class_key + L"\\ProgID"), L"Cartex71.Cartex");
  EXPECT_EQ(ReadClassesText(class_key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  wchar_t path[MAX_PATH + 1] = {};
  GetModuleFileNameW(g_engine_dll, path, MAX_PATH);
  EXPECT_EQ(_wcsicmp(ReadClassesText(class_key + L"\\InprocServer32").c_str(), path), 0);
  EXPECT_TRUE(ClassesKeyExists(class_key + L"\\Control"));

  ASSERT_EQ(CallEntry("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(ClassesKeyExists(class_key));
  EXPECT_FALSE(ClassesKeyExists(L"Cartex71.Cartex"));
  EXPECT_THROW(CreateEngineControl(kEngineProgId), std::runtime_error);
  EXPECT_EQ(CallEntry("DllUnregisterServer"), S_OK);  // twice is harmless

  // A ProgID that another class has taken over since is left to its owner.
  ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Cartex71.Cartex\\CLSID", 0, KEY_WRITE, &key),
            ERROR_SUCCESS);
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                 static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  ASSERT_EQ(CallEntry("DllUnregisterServer"), S_OK);
  EXPECT_EQ(ReadClassesText(L"Cartex71.Cartex\\CLSID"), other);
  EXPECT_FALSE(ClassesKeyExists(class_key));

  // Registering leaves it to its owner too, and writes the class alone.
  ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
  EXPECT_EQ(ReadClassesText(L"Cartex71.Cartex\\CLSID"), other);
  EXPECT_TRUE(ClassesKeyExists(class_key + L"\\InprocServer32"));

  // Once the ProgID is free, registered again for the other tests.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Cartex71.Cartex"), ERROR_SUCCESS);
  ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
  EXPECT_EQ(ReadClassesText(L"Cartex71.Cartex\\CLSID"), clsid);
  {
    auto engine = CreateEngineControl(kEngineProgId);
    EXPECT_EQ(CallEntry("DllCanUnloadNow"), S_FALSE);  // an engine is alive
  }
  EXPECT_EQ(CallEntry("DllCanUnloadNow"), S_OK);
}

}  // namespace
}  // namespace k9::wincontrol
