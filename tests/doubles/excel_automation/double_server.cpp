#include "tests/doubles/excel_automation/double_server.h"

#include <utility>

#include "tests/doubles/excel_automation/journal_entry.h"

namespace excel_double {

DoubleServer::DoubleServer(DoubleSettings settings,
                           std::unique_ptr<ServerHooks> hooks)
    : settings_(std::move(settings)),
      hooks_(std::move(hooks)),
      started_(hooks_->Milliseconds()) {
  for (const std::string& line : settings_.ignoredLines) {
    Journal(SettingIgnoredEntry(line));
  }
}

bool DoubleServer::RejectsCall() {
  const bool busyTurn =
      served_ >= settings_.busyAfter && rejected_ < settings_.busyCalls;
  if (busyTurn) ++rejected_;
  const bool busy =
      busyTurn ||
      hooks_->Milliseconds() - started_ < settings_.busyMilliseconds;
  if (!busy) ++served_;
  return busy;
}

void DoubleServer::EnsureMainWindow() {
  if (windowAttempted_ || !settings_.makesWindow) return;
  windowAttempted_ = true;
  mainWindow_ = hooks_->MakeMainWindow();
  if (mainWindow_ != 0) Journal(WindowEntry(mainWindow_));
}

void DoubleServer::ShowMainWindow(bool visible) {
  if (mainWindow_ != 0) hooks_->ShowMainWindow(mainWindow_, visible);
}

void DoubleServer::JournalForeground() {
  Journal(ForegroundEntry(mainWindow_ != 0 &&
                          hooks_->ForegroundWindow() == mainWindow_));
}

void DoubleServer::ObjectDestroyed() {
  --liveObjects_;
  IdleCheck();
}

void DoubleServer::RemoveLock() {
  --locks_;
  IdleCheck();
}

void DoubleServer::CreationRefused(HRESULT result) {
  Journal(CreationRefusedEntry(result));
  IdleCheck();
}

void DoubleServer::IdleCheck() {
  if (liveObjects_ == 0 && locks_ == 0) hooks_->ServerIdle();
}

}  // namespace excel_double
