#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/widgets/PlacementRecords.h"

namespace qx::gui {

/// `TRestoreWin`: remembers where the program's windows were. The main window calls
/// `MainShown` from its show event and `MainClosed` after its own close handling; the placement
/// file is the program file's path with the extension `ExtName`.
class RestoreWin {
 public:
  /// `forms` lists the program's windows in creation order: the main window first.
  RestoreWin(std::string programFile, std::function<std::vector<QWidget*>()> forms);

  bool Enabled = true;
  bool AutoShow = true;
  void SetExtName(const std::string& ext);
  const std::string& ExtName() const { return extName_; }
  std::string FilePath() const;

  /// First show: load the file and place every window that has a record. Returns why the
  /// file could not be read (empty when it was read or does not exist yet).
  std::string MainShown();
  /// The main window closed: store every window and write the file. Returns why the file
  /// could not be written (empty when it was).
  std::string MainClosed();
  /// While the main window is on screen: stores every window and writes the file when what it
  /// would hold differs from what was last read or written, so a kill or a crash loses no
  /// placement. Returns why the file could not be written, once per change (empty otherwise).
  std::string SaveIfChanged(bool mainOnScreen);

  const widgets::PlacementRecords& Records() const { return records_; }

 private:
  std::string Load();
  void Apply();
  std::string Save();
  void Collect();

  std::string programFile_;
  std::function<std::vector<QWidget*>()> forms_;
  std::string extName_ = "wst";
  widgets::PlacementRecords records_;
  bool shown_ = false;
  std::string onDisk_;      ///< the file's text as last read or written
  std::string lastFailed_;  ///< the text whose write failed and was reported
};

}  // namespace qx::gui
