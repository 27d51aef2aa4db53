// The UI port bound to Qt 6 Widgets: modal messages, prompts and file
// dialogs, the four windows of a console, and beside them the Plot and
// Report windows.
//
// The console holds a reference to its port, so the port outlives it; the
// windows use the console only while it exists.
#pragma once

#include <QString>
#include <array>
#include <memory>

#include "shell/console.h"
#include "shell/ui_port.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/plot_window.h"
#include "ui/print_window.h"
#include "ui/report_window.h"

class QWidget;

namespace tessaro {

class QtUiPort : public UiPort {
 public:
  QtUiPort();
  ~QtUiPort() override;

  // Creates the windows of this console and loads Form1 (not shown yet).
  void Attach(Console& console);

  Form1& MainWindow() { return *form1_; }
  PrintWindow& BlackBoardWindow() { return *blackBoard_; }
  PrintWindow& HelpWindow() { return *form3_; }
  Form2& StationValuesWindow() { return *form2_; }
  PlotWindow& PlotView() { return *plot_; }
  ReportWindow& ReportView() { return *report_; }

  void ShowMessage(const std::string& text) override;
  std::string AskLine(const std::string& prompt, std::optional<Twips> position) override;
  std::string ChooseFile(FileChoice purpose) override;
  void CaptionChanged(const std::string& controlName) override;
  void ShowWindow(Window window) override;
  void HideWindow(Window window) override;
  void PlaceHelpWindow() override;
  void EndProgram() override;
  void PictureChanged() override;

 private:
  QWidget* Widget(Window window);
  // Brings every print surface on screen up to date, so that a dialog is
  // answered with the current results in view.
  void FlushSurfaces();
  // Form3's frame at the upper left corner of the screen's available area,
  // as high as that area.
  void FitHelpWindow();
  // The window that a dialog belongs to.
  QWidget* DialogParent();
  // "Plot" (Ctrl+P) and "Report" (Ctrl+R) as shortcuts of window and in its
  // context menu, beside the window's own controls, which stay as they are.
  void OfferAdditions(QWidget& window);
  void ShowAddition(QWidget& addition);

  Console* console_ = nullptr;
  std::unique_ptr<Form1> form1_;
  std::unique_ptr<PrintWindow> blackBoard_;
  std::unique_ptr<PrintWindow> form3_;
  std::unique_ptr<Form2> form2_;
  std::unique_ptr<PlotWindow> plot_;
  std::unique_ptr<ReportWindow> report_;
  std::array<bool, 3> placed_{};  // placed on the screen once
  QString lastDirectory_;         // where the last file was chosen
};

}  // namespace tessaro
