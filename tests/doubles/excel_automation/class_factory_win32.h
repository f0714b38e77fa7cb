#pragma once

// The double's class object in a local server: registered with COM while
// the server runs, it makes one Application object per activation. Windows
// only.

#include <objbase.h>

#include <memory>

#include "tests/doubles/excel_automation/double_server.h"

namespace excel_double {

// CoRegisterClassObject of the double's class (kExcelDoubleClsid) for
// CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE: every client that creates an
// Excel gets a server process of its own, as with Excel. Revoked when the
// registration is destroyed. Needs COM initialised on the calling thread.
class ClassRegistration {
 public:
  explicit ClassRegistration(std::shared_ptr<DoubleServer> server);
  ~ClassRegistration();
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  // The result of CoRegisterClassObject.
  HRESULT result() const { return result_; }

 private:
  HRESULT result_ = E_FAIL;
  DWORD cookie_ = 0;
};

}  // namespace excel_double
