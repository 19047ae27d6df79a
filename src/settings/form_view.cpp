#include "settings/form_view.h"

namespace k9 {

namespace {
FormView* g_installed_view = nullptr;
}  // namespace

FormView::~FormView() = default;

FormView& FormView::Default() {
  return g_installed_view != nullptr ? *g_installed_view : DefaultHeadlessFormView();
}

void FormView::SetDefault(FormView* view) { g_installed_view = view; }

HeadlessFormView& DefaultHeadlessFormView() {
  static HeadlessFormView view;
  return view;
}

std::intptr_t HeadlessFormView::Load(ViewableForm& /*form*/) { return 0; }

void HeadlessFormView::Unload(ViewableForm& /*form*/) {}

void HeadlessFormView::Report(const std::string& text) {
  if (report_) report_(text);
}

void HeadlessFormView::ShowModal(ViewableForm& form) {
  ++depth_;
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } guard{depth_};

  while (form.Visible()) {
    if (steps_.empty()) {
      form.SystemClose();
      break;
    }
    std::string step = steps_.front();
    steps_.pop_front();
    if (step == kCloseStep) {
      form.SystemClose();
      break;
    }
    switch (form.Click(step)) {
      case ViewableForm::ClickResult::kDone:
        break;
      case ViewableForm::ClickResult::kDisabled:
        Report(form.FormName() + ": " + step + " is disabled");
        break;
      case ViewableForm::ClickResult::kNoSuchControl:
        if (depth_ > 1) {
          // Meant for a form further down: leave this one as the user would.
          steps_.push_front(std::move(step));
          form.SystemClose();
          return;
        }
        Report(form.FormName() + ": no control " + step);
        break;
    }
  }
}

}  // namespace k9
