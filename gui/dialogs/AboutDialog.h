// The About box: program name, version and build time in the title band, the operating system
// text of the program state, and the maker's contact block. Only "OK" (or Esc) ends it.
#pragma once

#include "dialogs/FramedDialog.h"
#include "program/ProgramState.h"

namespace quillon {

class PaintedButton;
class PaintedLabel;

class AboutDialog : public FramedDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitleFormat = "Quillon-7\nVersion %d.%d (%s)";
    static constexpr const char* kBuildFormat = "Built : %s  %s";
    static constexpr const char* kProgramInfoFormat = "Windows Version:\n%s";
    static constexpr const char* kMakerFormat = "%s\n%s\n%s\n\n%s\n%s\n%s";

    AboutDialog(const ProgramState& state, QWidget* parent = nullptr);

    // "Built : <date>  <time>" of this build.
    static QString BuildText();
    static QString MakerText();

    PaintedLabel* ProgramInfoStatic() const { return programInfo_; }
    PaintedLabel* MakerInfoStatic() const { return makerInfo_; }
    PaintedButton* OkButton() const { return ok_; }

  private:
    PaintedLabel* programInfo_;
    PaintedLabel* makerInfo_;
    PaintedButton* ok_;
};

}  // namespace quillon
