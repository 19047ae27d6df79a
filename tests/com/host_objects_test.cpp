// The adapters over the host's late-bound objects, against small IDispatch fakes:
// the form's menu entries reached by name (with the control array's own Item and
// Unload where the form offers them), and the picture box's mile-marker line,
// drawn with GDI into its device context when the box has no Line of its own.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "com/host_objects.h"
#include "common/error.h"
#include "platform/win32/dib_section.h"

namespace k9::com {
namespace {

// One argument as the fake saw it, in declaration order.
struct Arg {
  VARTYPE vt;
  double number;
};

struct Call {
  std::string member;
  WORD flags;
  std::vector<Arg> args;
};

// A host object whose members are handlers, looked up by name without regard to
// case as a Basic object's are. Every call is logged.
class FakeDispatch : public IDispatch {
 public:
  using Handler = std::function<HRESULT(const std::vector<Arg>& args, VARIANT* result)>;

  void On(const std::string& name, Handler handler) {
    members_.push_back({name, std::move(handler)});
  }
  // A property that answers gets with `value` and takes puts.
  void Property(const std::string& name, VARIANT value) {
    values_[name] = value;
    On(name, [this, name](const std::vector<Arg>&, VARIANT* result) {
      if (result != nullptr) *result = values_[name];
      return S_OK;
    });
  }
  std::vector<Call> calls;
  ULONG refs() const { return refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    for (std::size_t i = 0; i < members_.size(); ++i) {
      if (Same(names[0], members_[i].name)) {
        ids[0] = static_cast<DISPID>(i + 1);
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    Member& member = members_[static_cast<std::size_t>(id - 1)];
    Call call{member.name, flags, {}};
    // Automation passes the arguments last first.
    for (UINT i = params->cArgs; i-- > 0;) {
      VARIANT value;
      ::VariantInit(&value);
      ::VariantChangeType(&value, &params->rgvarg[i], 0, VT_R8);
      call.args.push_back({params->rgvarg[i].vt, value.dblVal});
    }
    calls.push_back(call);
    if ((flags & DISPATCH_PROPERTYPUT) != 0 && values_.count(member.name) != 0) {
      ::VariantCopy(&values_[member.name], &params->rgvarg[0]);
      return S_OK;
    }
    return member.handler(call.args, result);
  }

 private:
  struct Member {
    std::string name;
    Handler handler;
  };
  static bool Same(const wchar_t* wide, const std::string& name) {
    std::size_t i = 0;
    for (; wide[i] != L'\0' && i < name.size(); ++i) {
      if (std::towlower(wide[i]) != std::towlower(static_cast<wchar_t>(name[i]))) return false;
    }
    return wide[i] == L'\0' && i == name.size();
  }

  ULONG refs_ = 0;
  std::vector<Member> members_;
  std::map<std::string, VARIANT> values_;
};

VARIANT Dispatch(IDispatch* object) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  object->AddRef();  // the receiver of a result owns a reference
  return v;
}
VARIANT Number(VARTYPE vt, double value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  ::VariantChangeType(&v, &v, 0, vt);
  return v;
}

// The calls made on `object` to `member`, with its property-put flag.
std::vector<Call> CallsTo(const FakeDispatch& object, const std::string& member) {
  std::vector<Call> found;
  for (const Call& call : object.calls) {
    if (call.member == member) found.push_back(call);
  }
  return found;
}

// A form with four menu entries, reached as form.mnuMapSpecialOptions(index).
class FormAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.On("mnuMapSpecialOptions", [this](const std::vector<Arg>& args, VARIANT* result) {
      if (args.size() != 1 || args[0].number < 0 || args[0].number > 3) return DISP_E_BADINDEX;
      *result = Dispatch(&entries_[static_cast<int>(args[0].number)]);
      return S_OK;
    });
    form_.Property("hWnd", Number(VT_I4, 0x1234));
    for (FakeDispatch& entry : entries_) {
      entry.Property("Visible", Number(VT_BOOL, -1));
      entry.Property("Enabled", Number(VT_BOOL, -1));
    }
  }

  FakeDispatch form_;
  FakeDispatch entries_[4];
};

TEST_F(FormAdapterTest, EntriesAreReachedByIndexAndTheirPropertiesPut) {
  {
    HostObjects objects;
    HostForm* form = objects.Form(&form_);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(objects.Form(&form_), form) << "one adapter per host object";
    form->SetSpecialOptionVisible(2, false);
    form->SetSpecialOptionEnabled(1, false);
    form->SetSpecialOptionVisible(1, true);
    EXPECT_EQ(form->hWnd(), 0x1234);

    // The index goes as an Integer, the new value as a property put of a Boolean.
    const std::vector<Call> lookups = CallsTo(form_, "mnuMapSpecialOptions");
    ASSERT_EQ(lookups.size(), 3u);
    EXPECT_EQ(lookups[0].args[0].vt, VT_I2);
    EXPECT_EQ(lookups[0].args[0].number, 2);
    const std::vector<Call> visible = CallsTo(entries_[2], "Visible");
    ASSERT_EQ(visible.size(), 1u);
    EXPECT_NE(visible[0].flags & DISPATCH_PROPERTYPUT, 0);
    EXPECT_EQ(visible[0].args[0].vt, VT_BOOL);
    EXPECT_EQ(visible[0].args[0].number, 0);
    ASSERT_EQ(CallsTo(entries_[1], "Enabled").size(), 1u);
    EXPECT_EQ(CallsTo(entries_[1], "Enabled")[0].args[0].number, 0);
    EXPECT_EQ(CallsTo(entries_[1], "Visible")[0].args[0].number, -1);
    EXPECT_TRUE(entries_[0].calls.empty() && entries_[3].calls.empty());
  }
  // Every reference taken on the form and its entries was given back.
  EXPECT_EQ(form_.refs(), 0u);
  for (const FakeDispatch& entry : entries_) EXPECT_EQ(entry.refs(), 0u);
}

TEST_F(FormAdapterTest, WithoutAnUnloadOfItsOwnAnUnloadedEntryIsHidden) {
  // The form hands out the control array itself when asked without an index.
  FakeDispatch array;
  FakeDispatch form;
  form.On("mnuMapSpecialOptions", [&](const std::vector<Arg>& args, VARIANT* result) {
    if (!args.empty()) return DISP_E_BADPARAMCOUNT;
    *result = Dispatch(&array);
    return S_OK;
  });
  array.On("Item", [this](const std::vector<Arg>& args, VARIANT* result) {
    *result = Dispatch(&entries_[static_cast<int>(args.at(0).number)]);
    return S_OK;
  });
  {
    HostObjects objects;
    objects.Form(&form)->UnloadSpecialOption(3);
    objects.Form(&form)->SetSpecialOptionEnabled(0, false);
  }
  ASSERT_EQ(CallsTo(entries_[3], "Visible").size(), 1u);
  EXPECT_EQ(CallsTo(entries_[3], "Visible")[0].args[0].number, 0);
  EXPECT_EQ(CallsTo(entries_[0], "Enabled").size(), 1u);
  EXPECT_EQ(CallsTo(array, "Item").size(), 2u);
  EXPECT_EQ(array.refs(), 0u);
  EXPECT_EQ(entries_[3].refs(), 0u);

  // A control array with an Unload of its own gets the index instead.
  array.On("Unload", [](const std::vector<Arg>&, VARIANT*) { return S_OK; });
  {
    HostObjects objects;
    objects.Form(&form)->UnloadSpecialOption(2);
  }
  ASSERT_EQ(CallsTo(array, "Unload").size(), 1u);
  EXPECT_EQ(CallsTo(array, "Unload")[0].args[0].vt, VT_I2);
  EXPECT_EQ(CallsTo(array, "Unload")[0].args[0].number, 2);
  EXPECT_TRUE(CallsTo(entries_[2], "Visible").empty());
}

TEST_F(FormAdapterTest, AFormWithoutTheMenuOrABadEntryGivesAnError) {
  FakeDispatch bare;
  HostObjects objects;
  try {
    objects.Form(&bare)->SetSpecialOptionVisible(0, true);
    ADD_FAILURE() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), 438);
    EXPECT_EQ(e.description(),
              "Object doesn't support this property or method: mnuMapSpecialOptions");
  }
  // An index the form refuses, with no control array to fall back on.
  EXPECT_THROW(objects.Form(&form_)->SetSpecialOptionVisible(7, true), ComError);
  // An entry that is no object.
  FakeDispatch odd;
  odd.On("mnuMapSpecialOptions", [](const std::vector<Arg>&, VARIANT* result) {
    *result = Number(VT_I4, 5);
    return S_OK;
  });
  EXPECT_THROW(objects.Form(&odd)->SetSpecialOptionEnabled(1, true), ComError);
}

// A picture box over a DIB section, scaled as a map: x grows east, y grows north.
class PictureAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dib_.Create(200, 100, 0xFFFFFF));
    box_.Property("ScaleLeft", Number(VT_R4, -100));
    box_.Property("ScaleTop", Number(VT_R4, 40));
    box_.Property("ScaleWidth", Number(VT_R4, 20));
    box_.Property("ScaleHeight", Number(VT_R4, -10));
    box_.Property("DrawWidth", Number(VT_I2, 1));
    box_.Property("DrawMode", Number(VT_I2, 13));  // copy pen
    // A host hands its device context over as a Long.
    box_.Property("hDC", Number(VT_I4, static_cast<double>(static_cast<std::int32_t>(
                                           static_cast<std::intptr_t>(dib_.dc())))));
  }
  std::uint32_t At(int x, int y) {
    DibSection::Flush();
    return dib_.Pixel(x, y);
  }

  DibSection dib_;
  FakeDispatch box_;
};

TEST_F(PictureAdapterTest, WithoutALineMemberTheLineIsDrawnWithGdiInTheBoxScale) {
  HostObjects objects;
  PictureBox* picture = objects.Picture(&box_);
  // From (-95, 35) to (-85, 35): pixels (50, 50) to (150, 50). The colour is an
  // OLE colour, 0x00BBGGRR: this is red.
  picture->Line(-95, 35, -85, 35, 0x0000FF);
  EXPECT_EQ(At(100, 50), 0xFF0000u);
  EXPECT_EQ(At(51, 50), 0xFF0000u);
  EXPECT_EQ(At(149, 50), 0xFF0000u);
  EXPECT_EQ(At(40, 50), 0xFFFFFFu) << "the line starts where its first point is";
  EXPECT_EQ(At(160, 50), 0xFFFFFFu);
  EXPECT_EQ(At(100, 49), 0xFFFFFFu) << "one pixel wide";
  EXPECT_EQ(At(100, 10), 0xFFFFFFu);

  // A slanted line goes through the middle of its end points.
  picture->Line(-100, 40, -80, 30, 0x00FF00);
  EXPECT_EQ(At(100, 50), 0x00FF00u);
}

TEST_F(PictureAdapterTest, TheLineUsesTheBoxDrawWidthAndDrawMode) {
  PictureBox* picture = nullptr;
  HostObjects objects;
  picture = objects.Picture(&box_);
  picture->DrawWidth(5);
  picture->Line(-90, 32, -90, 38, 0xFF0000);  // blue, vertical at x = 100
  EXPECT_EQ(At(100, 50), 0x0000FFu);
  EXPECT_EQ(At(98, 50), 0x0000FFu) << "a five-pixel pen";
  EXPECT_EQ(At(102, 50), 0x0000FFu);
  EXPECT_EQ(At(96, 50), 0xFFFFFFu);

  // The exclusive-or mode (vbXorPen, 7): drawn twice, the line is gone.
  picture->DrawWidth(1);
  picture->DrawMode(7);
  picture->Line(-99, 35, -81, 35, 0x0000FF);
  EXPECT_EQ(At(20, 50), 0x00FFFFu);  // white XOR red
  picture->Line(-99, 35, -81, 35, 0x0000FF);
  EXPECT_EQ(At(20, 50), 0xFFFFFFu);
}

TEST_F(PictureAdapterTest, TheBoxOwnLineIsCalledWhereItHasOne) {
  box_.On("Line", [](const std::vector<Arg>&, VARIANT*) { return S_OK; });
  HostObjects objects;
  objects.Picture(&box_)->Line(-95, 35, -85, 36.5, 0x0000FF);
  const std::vector<Call> lines = CallsTo(box_, "Line");
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].args.size(), 5u);
  EXPECT_EQ(lines[0].args[0].number, -95);
  EXPECT_EQ(lines[0].args[1].number, 35);
  EXPECT_EQ(lines[0].args[2].number, -85);
  EXPECT_EQ(lines[0].args[3].number, 36.5);
  EXPECT_EQ(lines[0].args[4].number, 0x0000FF);
  EXPECT_EQ(At(100, 50), 0xFFFFFFu) << "nothing drawn besides";
  EXPECT_TRUE(CallsTo(box_, "hDC").empty());
}

TEST_F(PictureAdapterTest, ABoxWithoutADeviceContextGivesAnErrorNotACrash) {
  box_.Property("hDC", Number(VT_I4, 0));
  HostObjects objects;
  EXPECT_THROW(objects.Picture(&box_)->Line(-95, 35, -85, 35, 0), ComError);
  // A zero scale draws nothing rather than dividing by it.
  box_.Property("hDC", Number(VT_I4, static_cast<double>(static_cast<std::int32_t>(
                                         static_cast<std::intptr_t>(dib_.dc())))));
  box_.Property("ScaleWidth", Number(VT_R4, 0));
  objects.Picture(&box_)->Line(-95, 35, -85, 35, 0x0000FF);
  EXPECT_EQ(At(100, 50), 0xFFFFFFu);
}

}  // namespace
}  // namespace k9::com
