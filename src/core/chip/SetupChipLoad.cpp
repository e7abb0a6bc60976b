#include "core/chip/SetupChipLoad.h"

namespace qx::chip {

namespace {

// Holds back the loader's own ChipLoaded(): listeners must not see the new chip before the
// corrected page and bank and the link kind are stored.
class DeferChipLoaded final : public base::Host {
 public:
  explicit DeferChipLoaded(base::Host& host) : host_(host) {}
  void SetStatus(int panel, const std::string& text) override { host_.SetStatus(panel, text); }
  void ShowError(const std::string& text) override { host_.ShowError(text); }
  void MenuVisibilityChanged() override { host_.MenuVisibilityChanged(); }
  void ChipLoaded() override {}

 private:
  base::Host& host_;
};

constexpr size_t kAdcWindowFlag = 2;

}  // namespace

LoadResult SetupChipLoad::Load() {
  DeferChipLoaded deferred(host_);
  ChipLoader loader(chip_, files_, deferred, folder_);
  const LoadResult r =
      loader.GetSELUP({target_.ChipIndex, settings_.CurrentBank, settings_.CurrentPage});
  settings_.Photo = true;
  settings_.CurrentBank = r.currentBank;
  settings_.CurrentPage = r.currentPage;
  if (r.clearAdcWindowFlag) settings_.OptionFlags[kAdcWindowFlag] = false;
  if (r.forceLinkKind) target_.LinkKind = *r.forceLinkKind;
  host_.ChipLoaded();
  return r;
}

}  // namespace qx::chip
