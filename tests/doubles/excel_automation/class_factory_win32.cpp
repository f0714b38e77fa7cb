#include "tests/doubles/excel_automation/class_factory_win32.h"

#include <atomic>
#include <utility>

#include "tests/doubles/excel_automation/excel_double_clsid.h"
#include "tests/doubles/excel_automation/excel_double_objects.h"

namespace excel_double {
namespace {

// Not counted among the live objects: COM holds it for as long as the class
// is registered, whether or not any client is connected.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(std::shared_ptr<DoubleServer> server)
      : server_(std::move(server)) {}
  virtual ~ClassFactory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!IsEqualGUID(iid, IID_IUnknown) &&
        !IsEqualGUID(iid, IID_IClassFactory)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                           void** object) override {
    if (object != nullptr) *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreateApplication(server_, iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      server_->AddLock();
    } else {
      server_->RemoveLock();
    }
    return S_OK;
  }

 private:
  std::shared_ptr<DoubleServer> server_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

ClassRegistration::ClassRegistration(std::shared_ptr<DoubleServer> server) {
  auto* factory = new ClassFactory(std::move(server));
  result_ =
      ::CoRegisterClassObject(kExcelDoubleClsid, factory, CLSCTX_LOCAL_SERVER,
                              REGCLS_SINGLEUSE, &cookie_);
  // COM keeps its own reference while the class is registered.
  factory->Release();
}

ClassRegistration::~ClassRegistration() {
  if (SUCCEEDED(result_)) ::CoRevokeClassObject(cookie_);
}

}  // namespace excel_double
