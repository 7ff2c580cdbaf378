// The About box: program name, version and build time in the title band, the operating system
// text of the program state, and the maker's contact block. Only "OK" (or Esc) ends it.
#pragma once

#include "ui/CFramedDialog.h"
#include "upload/ProgramState.h"

namespace quillon {

class CExtendedButton;
class CExtendedStatic;

class CDlgAboutQuillon : public CFramedDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitleFormat = "Quillon-7\nVersion %d.%d (%s)";
    static constexpr const char* kBuildFormat = "Built : %s  %s";
    static constexpr const char* kProgramInfoFormat = "Windows Version:\n%s";
    static constexpr const char* kMakerFormat = "%s\n%s\n%s\n\n%s\n%s\n%s";

    CDlgAboutQuillon(const ProgramState& state, QWidget* parent = nullptr);

    // "Built : <date>  <time>" of this build.
    static QString BuildText();
    static QString MakerText();

    CExtendedStatic* ProgramInfoStatic() const { return programInfo_; }
    CExtendedStatic* MakerInfoStatic() const { return makerInfo_; }
    CExtendedButton* OkButton() const { return ok_; }

  private:
    CExtendedStatic* programInfo_;
    CExtendedStatic* makerInfo_;
    CExtendedButton* ok_;
};

}  // namespace quillon
