#include "module/server_object.h"

#include <atomic>
#include <exception>
#include <utility>

#include "common/error.h"
#include "common/text.h"
#include "module/conversion.h"
#include "module/help_report.h"
#include "platform/dialogs.h"
#include "render/frm_overlay.h"
#include "search/frm_search.h"
#include "search/search_driver.h"
#include "settings/form_view.h"

namespace k9::module {
namespace {

std::atomic<int> g_live_objects{0};

constexpr char kSource[] = "Kestrel9";

MemberKind ToMemberKind(CallKind kind) {
  switch (kind) {
    case CallKind::kPropertyGet:
      return MemberKind::kPropertyGet;
    case CallKind::kPropertyPut:
      return MemberKind::kPropertyPut;
    default:
      return MemberKind::kMethod;
  }
}

// The member by name in any letter case. A late-bound caller may read a property
// as a method or call a method without arguments as a property, so both are tried.
const DispatchMember* FindMember(const std::string& name, CallKind kind) {
  const MemberKind wanted = ToMemberKind(kind);
  const DispatchMember* fallback = nullptr;
  for (const DispatchMember& member : MapServDispatchTable()) {
    if (!EqualsIgnoreCase(member.name, name)) continue;
    if (member.kind == wanted) return &member;
    if (wanted != MemberKind::kPropertyPut && member.kind != MemberKind::kPropertyPut) {
      fallback = &member;
    }
  }
  return fallback;
}

PictureBox& Picture(CallValue& value) {
  PictureBox** picture = std::get_if<PictureBox*>(&value);
  if (picture == nullptr) throw ComError(13, kSource, "Type mismatch: a picture box is expected");
  if (*picture == nullptr) throw ComError(91, kSource, "Object variable not set");
  return **picture;
}

template <class T>
T& As(CallValue& value) {
  return std::get<T>(value);  // converted beforehand to the parameter's type
}

CallValue Variant(const std::optional<std::int32_t>& value) {
  if (!value) return std::monostate{};
  return *value;
}

}  // namespace

int LiveObjects() { return g_live_objects.load(); }

ServerObject::ServerObject(ServerWiring wiring) : ports_(wiring.ports) {
  server_ = std::make_unique<clsMapServ>(wiring.ports, std::move(wiring.engine_factory),
                                         std::move(wiring.parts));
  ++g_live_objects;
}

ServerObject::~ServerObject() {
  server_.reset();  // the termination runs here, every step attempted
  --g_live_objects;
}

void ServerObject::Release() { delete this; }

CallOutcome ServerObject::Invoke(const std::string& member, CallKind kind,
                                 std::vector<CallValue>& args, CallValue* result) {
  const DispatchMember* found = FindMember(member, kind);
  if (found == nullptr) {
    return CallOutcome::Failure(438, kSource,
                                "Object doesn't support this property or method: " + member);
  }
  if (args.size() != found->params.size()) {
    return CallOutcome::Failure(
        450, kSource,
        "Wrong number of arguments or invalid property assignment: " + std::string(found->name) +
            " takes " + std::to_string(found->params.size()));
  }
  try {
    std::vector<CallValue> converted;
    converted.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      converted.push_back(ConvertArgument(args[i], found->params[i].type));
    }
    CallValue value;
    Dispatch(found->index, converted, &value);
    // By reference: what the member wrote goes back where the caller's argument
    // has the parameter's own type, as a by-reference argument of another type
    // travels as a converted copy.
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (HoldsType(args[i], found->params[i].type)) args[i] = std::move(converted[i]);
    }
    if (result != nullptr) *result = std::move(value);
    return CallOutcome::Success();
  } catch (const ComError& error) {
    return CallOutcome::Failure(static_cast<std::int32_t>(error.number()), error.source(),
                                error.description());
  } catch (const std::exception& error) {
    return CallOutcome::Failure(static_cast<std::int32_t>(kEFail), kSource, error.what());
  } catch (...) {
    return CallOutcome::Failure(static_cast<std::int32_t>(kEFail), kSource, "unknown failure");
  }
}

void ServerObject::Dispatch(int index, std::vector<CallValue>& a, CallValue* r) {
  clsMapServ& s = *server_;
  auto text = [&](std::size_t i) -> std::string& { return As<std::string>(a[i]); };
  auto flag = [&](std::size_t i) { return As<bool>(a[i]); };
  auto number = [&](std::size_t i) -> double& { return As<double>(a[i]); };
  switch (index) {
    case 1:
      s.strOvlFile(text(0));
      break;
    case 2:
      s.strUnderFile(text(0));
      break;
    case 3:
      *r = s.strOvlFile();
      break;
    case 4:
      *r = s.strUnderFile();
      break;
    case 5:
      *r = Variant(s.varMapBackColor());
      break;
    case 6:
      *r = Variant(s.varSeaColor());
      break;
    case 7:
      s.AddToFavouriteViews(text(0));
      break;
    case 8:
      s.SafeCall();
      break;
    case 9:
      s.SaveFavouriteViews(As<TextArray>(a[0]));
      break;
    case 10:
      s.LoadFavouriteViews(As<TextArray>(a[0]));
      break;
    case 11:
      *r = s.blnControlOk();
      break;
    case 12:
      s.blnShadeMcd(flag(0));
      break;
    case 13:
      s.blnShadeCounties(flag(0));
      break;
    case 14:
      *r = s.blnShadeCounties();
      break;
    case 15:
      s.blnHighContrastRds(flag(0));
      break;
    case 16:
      s.blnZipCodes(flag(0));
      break;
    case 17:
      *r = s.blnZipCodes();
      break;
    case 18:
      *r = s.blnHighContrastRds();
      break;
    case 19:
      *r = s.blnShadeMcd();
      break;
    case 20:
      *r = s.blnShadePlaces();
      break;
    case 21:
      *r = s.blnShadeStates();
      break;
    case 22:
      *r = s.blnWhiteBackground();
      break;
    case 23:
      s.blnWhiteBackground(flag(0));
      break;
    case 24:
      s.blnShadePlaces(flag(0));
      break;
    case 25:
      s.blnShadeStates(flag(0));
      break;
    case 26: {
      HostEvents** events = std::get_if<HostEvents*>(&a[1]);
      HostForm** form = std::get_if<HostForm*>(&a[2]);
      if (events == nullptr || form == nullptr) {
        throw ComError(13, kSource, "Type mismatch: Initialize takes the callback object and form");
      }
      s.Initialize(text(0), *events, *form);
      break;
    }
    case 27:
      *r = s.DrawMapFromCorners(Picture(a[0]), number(1), number(2), number(3), number(4));
      break;
    case 28:
      s.blnMono(flag(0));
      break;
    case 29:
      s.blnOnewayShow(flag(0));
      break;
    case 30:
      *r = s.blnMono();
      break;
    case 31:
      *r = s.blnOnewayShow();
      break;
    case 32:
      *r = s.ResizeMap(Picture(a[0]), number(1), number(2), number(3), number(4));
      break;
    case 33:
      *r = s.DrawMapFromCentre(Picture(a[0]), number(1), number(2));
      break;
    case 34:
      s.GetSupportedFeatures(As<bool>(a[0]), As<bool>(a[1]), As<bool>(a[2]), As<bool>(a[3]),
                             As<bool>(a[4]), text(5), As<std::int32_t>(a[6]), text(7),
                             As<TextArray>(a[8]));
      break;
    case 35:
      s.ShowControlPanel();
      break;
    case 36:
      s.strData1(text(0));
      break;
    case 37:
      s.strData3(text(0));
      break;
    case 38:
      s.strData4(text(0));
      break;
    case 39:
      *r = s.strData1();
      break;
    case 40:
      *r = s.strData2();
      break;
    case 41:
      *r = s.strData3();
      break;
    case 42:
      *r = s.strData4();
      break;
    case 43:
      *r = s.strStates0();
      break;
    case 44:
      *r = s.strStates1();
      break;
    case 45:
      s.strData2(text(0));
      break;
    case 46:
      s.strStates0(text(0));
      break;
    case 47:
      s.strStates1(text(0));
      break;
    case 48:
      *r = s.ZoomIn(Picture(a[0]));
      break;
    case 49:
      *r = s.SpecialMenuOption(Picture(a[0]), As<std::int16_t>(a[1]));
      break;
    case 50:
      *r = s.ZoomAll(Picture(a[0]));
      break;
    case 51:
      *r = s.ZoomPan(Picture(a[0]), As<std::int16_t>(a[1]));
      break;
    case 52:
      *r = s.ZoomOut(Picture(a[0]));
      break;
    default:
      throw ComError(438, kSource, "Object doesn't support this property or method");
  }
}

void ServerObject::SetMessageSink(
    std::function<void(const std::string&, const std::string&)> sink) {
  DefaultHeadlessDialogs().SetMessageSink(
      [sink = std::move(sink)](const HeadlessDialogs::Message& message) {
        if (sink) sink(message.caption, message.text);
      });
}

void ServerObject::SetHelpSink(std::function<void(const HelpReport&)> sink) {
  if (!sink) {
    DefaultHeadlessDialogs().SetHelpSink(nullptr);
    return;
  }
  DefaultHeadlessDialogs().SetHelpSink(
      [sink = std::move(sink)](const HeadlessDialogs::HelpRequest& request) {
        if (auto report = ReportHelpRequest(request.file, request.command, request.data)) {
          sink(*report);
        }
      });
}

void ServerObject::QueueFolderAnswer(std::optional<std::string> path) {
  DefaultHeadlessDialogs().QueueFolderAnswer(std::move(path));
}

void ServerObject::QueueFileAnswer(std::optional<std::string> path) {
  DefaultHeadlessDialogs().QueueFileAnswer(std::move(path));
}

void ServerObject::QueueChooserAnswer(std::optional<std::string> name) {
  DefaultScriptedOverlayView().QueueAnswer(std::move(name));
}

CallOutcome ServerObject::QueueControlPanelItems(const std::vector<std::string>& items) {
  HeadlessFormView& view = DefaultHeadlessFormView();
  view.ClearSteps();
  view.SetReportSink([this](const std::string& report) { panel_reports_.push_back(report); });
  for (const std::string& item : items) view.Queue(item);
  view.Queue("mnuExit");
  return CallOutcome::Success();
}

std::vector<std::string> ServerObject::TakeControlPanelReports() {
  return std::exchange(panel_reports_, {});
}

frmSearch* ServerObject::SearchForm() {
  return dynamic_cast<frmSearch*>(server_->SearchDialogForm());
}

bool ServerObject::SearchDialogOpen() { return SearchForm() != nullptr; }

namespace {

CallOutcome Refused(const std::string& what) {
  return CallOutcome::Failure(static_cast<std::int32_t>(kEFail), kSource, what);
}

}  // namespace

CallOutcome ServerObject::SearchFind(std::int16_t type, const std::string& query) {
  frmSearch* form = SearchForm();
  if (form == nullptr) return Refused("the search dialog is not open");
  SearchDialogDriver driver(*form);
  try {
    if (!driver.ChooseType(type))
      return Refused("search type " + std::to_string(type) + " cannot be chosen");
    if (!driver.Type(query)) return Refused("the query cannot be typed");
    if (!driver.ClickFind()) return Refused("Find cannot be pressed");
  } catch (const ComError& error) {
    return CallOutcome::Failure(static_cast<std::int32_t>(error.number()), error.source(),
                                error.description());
  } catch (const std::exception& error) {
    return Refused(error.what());
  }
  return CallOutcome::Success();
}

std::vector<SearchMatch> ServerObject::SearchMatches() {
  std::vector<SearchMatch> matches;
  if (frmSearch* form = SearchForm()) {
    for (std::string& item : SearchDialogDriver(*form).Items())
      matches.push_back({std::move(item)});
  }
  return matches;
}

std::string ServerObject::SearchResultLabel() {
  frmSearch* form = SearchForm();
  return form != nullptr ? SearchDialogDriver(*form).ResultLabel() : std::string();
}

CallOutcome ServerObject::SearchGoTo(std::int32_t index) {
  frmSearch* form = SearchForm();
  if (form == nullptr) return Refused("the search dialog is not open");
  SearchDialogDriver driver(*form);
  try {
    if (!driver.Select(index))
      return Refused("match " + std::to_string(index + 1) + " cannot be selected");
    if (!driver.ClickGoTo()) return Refused("Go To cannot be pressed");
  } catch (const ComError& error) {
    return CallOutcome::Failure(static_cast<std::int32_t>(error.number()), error.source(),
                                error.description());
  } catch (const std::exception& error) {
    return Refused(error.what());
  }
  return CallOutcome::Success();
}

}  // namespace k9::module
