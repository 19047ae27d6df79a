// Feeds arbitrary bytes to the three gazetteer parsers and to the query rules of
// the search dialog. The input is split at its first NUL: the part before is the
// query, the rest the file contents.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "search/frm_search.h"
#include "search/gazetteer.h"
#include "search/search_runner.h"
#include "search/search_text.h"
#include "server/search_port.h"

namespace {

class NullDialog : public k9::SearchDialog {
 public:
  std::int16_t WindowState() override { return 0; }
  void WindowState(std::int16_t) override {}
  void Show(std::intptr_t) override {}
  int Width() override { return 0; }
  int Height() override { return 0; }
  void Move(int, int) override {}
  void Unload() override {}
  void AddToList(std::string& text, double&, double&, bool&, double&, double&, double&,
                 bool&) override {
    total += text.size();
  }
  void ResultLbl(const std::string&) override {}
  std::size_t total = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view query = input.substr(0, split);
  const std::string_view contents =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  // Query rules of the dialog.
  k9::IsAllDigits(query);
  k9::IsMileMarkerFormat(query);
  k9::SplitStateQualified(query);
  k9::ProperCase(query);
  for (char c : query) {
    k9::IsDigitKey(static_cast<std::int16_t>(static_cast<unsigned char>(c)));
    k9::UpperCaseKey(static_cast<std::int16_t>(static_cast<unsigned char>(c)));
  }

  // The gazetteer parsers, with the query as each would get it.
  k9::LoadStatesFrom(contents, query);
  k9::FindCountiesIn(contents, query);
  k9::LookUpMileMarkerIn(contents, query.substr(0, 2), query.substr(query.size() > 2 ? 2 : 0),
                         query);

  // The answer readers for engine and host text.
  NullDialog dialog;
  k9::AddAddressResult(dialog, contents);
  k9::AddPhoneResult(dialog, contents);
  k9::AddCallsignResults(dialog, contents);
  return 0;
}
