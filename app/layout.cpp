#include "layout.h"

#include <algorithm>

namespace app::layout {
namespace {

constexpr int kStripHeight = 63;
// Gap between the preview area and the memo, and between the memo and the strip.
constexpr int kMemoGapAbove = 2;
constexpr int kMemoGapBelow = 4;

constexpr int ContentBottom() { return Control(ControlId::kContentPanel).rect.bottom(); }

// Distance of a strip child's right edge to the strip's right edge, as stored.
constexpr int StoredRightMargin(ControlId id) {
  return Control(ControlId::kButtonPanel).rect.width - Control(id).rect.right();
}

Rect AnchoredLeftRight(ControlId id, int stripWidth) {
  Rect r = Control(id).rect;
  r.width = stripWidth - StoredRightMargin(id) - r.left;
  return r;
}

Rect AnchoredRight(ControlId id, int stripWidth) {
  Rect r = Control(id).rect;
  r.left = stripWidth - StoredRightMargin(id) - r.width;
  return r;
}

}  // namespace

int ContentHeight(bool licenceShown, int licenceMemoHeight) {
  int content = ContentBottom() + Control(ControlId::kButtonPanel).rect.height;
  if (licenceShown) content += licenceMemoHeight + kMemoGapBelow;
  return content;
}

int FitWindowHeight(const WindowMetrics& metrics) {
  const int frame = metrics.windowHeight - metrics.clientHeight;
  return frame + ContentHeight(metrics.licenceShown, metrics.licenceMemoHeight);
}

ResizedLayout FormResize(Size client) {
  ResizedLayout out;
  out.contentPanel = Control(ControlId::kContentPanel).rect;
  out.buttonPanel = {0, client.height - kStripHeight, client.width, kStripHeight};
  const int memoHeight = out.buttonPanel.top - ContentBottom() - (kMemoGapAbove + kMemoGapBelow);
  out.licenseScrollBox = {0, ContentBottom() + kMemoGapAbove, client.width,
                          std::max(memoHeight, kLicenceMemoMinHeight)};
  out.installBtn = AnchoredRight(ControlId::kInstallBtn, client.width);
  out.progressBar = AnchoredLeftRight(ControlId::kProgressBar, client.width);
  return out;
}

}  // namespace app::layout
