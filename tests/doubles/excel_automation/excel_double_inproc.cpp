#include "tests/doubles/excel_automation/excel_double_inproc.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "platform/clock.h"
#include "platform/sim/sim_world.h"
#include "tests/doubles/excel_automation/double_server.h"
#include "tests/doubles/excel_automation/excel_double_clsid.h"
#include "tests/doubles/excel_automation/excel_double_objects.h"

namespace excel_double {
namespace {

using Journal = std::vector<std::string>;

// Handles from here up, so the XLMAIN window is told apart from the small
// numbers tests give their own windows.
constexpr platform::WindowHandle kFirstWindowHandle = 0xE1C0;
constexpr platform::WindowHandle kHandleStep = 4;
// Excel runs in a process of its own: its window belongs to another thread.
constexpr std::uint32_t kExcelThreadOffset = 100;

class SimHooks final : public ServerHooks {
 public:
  explicit SimHooks(std::shared_ptr<Journal> journal)
      : journal_(std::move(journal)) {}

  void WriteJournal(std::string_view entry) override {
    journal_->emplace_back(entry);
  }

  platform::WindowHandle MakeMainWindow() override {
    sim::World& world = sim::TheWorld();
    platform::WindowHandle handle = kFirstWindowHandle;
    while (world.FindWindow(handle) != nullptr) handle += kHandleStep;
    world.AddWindow(handle, world.currentThreadId + kExcelThreadOffset,
                    "XLMAIN");
    return handle;
  }

  // The simulated windows have no visibility to change.
  void ShowMainWindow(platform::WindowHandle, bool) override {}

  platform::WindowHandle ForegroundWindow() override {
    return sim::TheWorld().foregroundWindow;
  }

  // In process there is nothing to end; LiveObjects() tells the tests.
  void ServerIdle() override {}

  std::uint32_t Milliseconds() override { return platform::TickCount(); }

 private:
  std::shared_ptr<Journal> journal_;
};

struct Registration {
  std::shared_ptr<Journal> journal = std::make_shared<Journal>();
  std::shared_ptr<DoubleServer> server;
};

Registration& Current() {
  static Registration registration;
  return registration;
}

}  // namespace

void RegisterInSimWorld(std::string_view settings) {
  Registration registration;
  registration.server = std::make_shared<DoubleServer>(
      ParseSettings(settings),
      std::make_unique<SimHooks>(registration.journal));
  sim::World& world = sim::TheWorld();
  world.progIds[kExcelProgId] = kExcelDoubleClsid;
  std::erase_if(world.comClasses, [](const sim::SimComClass& entry) {
    return entry.clsid == kExcelDoubleClsid;
  });
  world.comClasses.push_back(
      {kExcelDoubleClsid,
       [server = registration.server](REFIID iid, void** object) {
         server->EnsureMainWindow();
         return CreateApplication(server, iid, object);
       }});
  Current() = std::move(registration);
}

std::vector<std::string> JournalLines() { return *Current().journal; }

int LiveObjects() {
  const auto& server = Current().server;
  return server == nullptr ? 0 : server->LiveObjects();
}

platform::WindowHandle MainWindow() {
  const auto& server = Current().server;
  return server == nullptr ? 0 : server->MainWindow();
}

}  // namespace excel_double
