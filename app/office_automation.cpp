#include "app/office_automation.h"

#include <tlhelp32.h>

#include <set>
#include <vector>

namespace qm::app {

namespace {

std::set<DWORD> ProcessesNamed(const std::wstring& exeName) {
    std::set<DWORD> ids;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        if (::lstrcmpiW(entry.szExeFile, exeName.c_str()) == 0) ids.insert(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return ids;
}

void EndProcess(DWORD id, DWORD graceMs) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) return;
    if (::WaitForSingleObject(process, graceMs) == WAIT_TIMEOUT) ::TerminateProcess(process, 1);
    ::CloseHandle(process);
}

}  // namespace

// ---- DispatchRef ----

DispatchRef& DispatchRef::operator=(DispatchRef&& other) noexcept {
    if (this != &other) {
        if (object_) object_->Release();
        object_ = other.object_;
        other.object_ = nullptr;
    }
    return *this;
}

DispatchRef::~DispatchRef() {
    if (object_) object_->Release();
}

VARIANT DispatchRef::Invoke(WORD flags, const wchar_t* name, std::initializer_list<VARIANT> args) const {
    if (!object_) throw AutomationError{E_POINTER};
    DISPID id = 0;
    auto* member = const_cast<LPOLESTR>(name);
    if (HRESULT hr = object_->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr))
        throw AutomationError{hr};
    // DISPPARAMS takes the arguments last one first.
    std::vector<VARIANT> reversed(args.begin(), args.end());
    for (size_t i = 0, j = reversed.size(); i + 1 < j; ++i, --j) std::swap(reversed[i], reversed[j - 1]);
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception{};
    const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       (flags & DISPATCH_PROPERTYPUT) ? nullptr : &result, &exception, nullptr);
    if (exception.bstrSource) ::SysFreeString(exception.bstrSource);
    if (exception.bstrDescription) ::SysFreeString(exception.bstrDescription);
    if (exception.bstrHelpFile) ::SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) throw AutomationError{hr};
    return result;
}

void DispatchRef::Put(const wchar_t* name, VARIANT value) const { Invoke(DISPATCH_PROPERTYPUT, name, {value}); }

VARIANT DispatchRef::Get(const wchar_t* name, std::initializer_list<VARIANT> args) const {
    return Invoke(DISPATCH_PROPERTYGET | DISPATCH_METHOD, name, args);
}

VARIANT DispatchRef::Call(const wchar_t* name, std::initializer_list<VARIANT> args) const {
    return Invoke(DISPATCH_METHOD | DISPATCH_PROPERTYGET, name, args);
}

static DispatchRef ObjectOf(VARIANT value) {
    if (value.vt != VT_DISPATCH || !value.pdispVal) {
        ::VariantClear(&value);
        throw AutomationError{DISP_E_TYPEMISMATCH};
    }
    return DispatchRef(value.pdispVal);  // takes the variant's reference
}

DispatchRef DispatchRef::GetObject(const wchar_t* name, std::initializer_list<VARIANT> args) const {
    return ObjectOf(Get(name, args));
}

DispatchRef DispatchRef::CallObject(const wchar_t* name, std::initializer_list<VARIANT> args) const {
    return ObjectOf(Call(name, args));
}

long DispatchRef::GetLong(const wchar_t* name) const {
    VARIANT value = Get(name);
    const HRESULT hr = ::VariantChangeType(&value, &value, 0, VT_I4);
    const long result = SUCCEEDED(hr) ? value.lVal : 0;
    ::VariantClear(&value);
    if (FAILED(hr)) throw AutomationError{hr};
    return result;
}

std::wstring DispatchRef::GetText(const wchar_t* name) const {
    VARIANT value = Get(name);
    std::wstring text;
    if (SUCCEEDED(::VariantChangeType(&value, &value, 0, VT_BSTR)) && value.bstrVal)
        text.assign(value.bstrVal, ::SysStringLen(value.bstrVal));
    ::VariantClear(&value);
    return text;
}

VARIANT BoolVariant(bool value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT LongVariant(long value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

BstrVariant::BstrVariant(const std::wstring& text) {
    ::VariantInit(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

BstrVariant::~BstrVariant() { ::VariantClear(&value_); }

// ---- OfficeInstance ----

OfficeInstance::OfficeInstance(const wchar_t* progId, const wchar_t* serverExe) : serverExe_(serverExe) {
    comInitialised_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CLSID clsid{};
    installed_ = SUCCEEDED(::CLSIDFromProgID(progId, &clsid));
    if (!installed_) return;
    // The instance we start is the one process of that name that was not there before.
    const std::set<DWORD> before = ProcessesNamed(serverExe_);
    IDispatch* application = nullptr;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&application))) || !application)
        return;
    application_ = DispatchRef(application);
    std::vector<DWORD> started;
    for (DWORD id : ProcessesNamed(serverExe_))
        if (!before.count(id)) started.push_back(id);
    if (started.size() == 1) serverProcessId_ = started.front();
    watchdog_ = std::thread([this] { Watch(); });
}

void OfficeInstance::Watch() {
    for (int step = 0; step < kWatchSteps && !finished_; ++step) ::Sleep(kWatchStepMs);
    // A conversion still running now is stuck (a dialog, a damaged file): its call returns an
    // error once the server has gone.
    if (!finished_ && serverProcessId_ != 0) EndProcess(serverProcessId_, 0);
}

void OfficeInstance::Finish() {
    if (finished_.exchange(true)) return;
    if (watchdog_.joinable()) watchdog_.join();
    application_ = DispatchRef();
    // After Quit the instance normally leaves by itself; one that lingers is ended.
    if (serverProcessId_ != 0) EndProcess(serverProcessId_, 2000);
}

OfficeInstance::~OfficeInstance() {
    Finish();
    if (comInitialised_) ::CoUninitialize();
}

}  // namespace qm::app
