// Late-bound automation of an installed office program (word processor, spreadsheet,
// presentation) for the document preview: one invisible instance per conversion, watched by a
// thread that ends that instance, and only that one, when the conversion runs too long.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <thread>

namespace qm::app {

// An IDispatch reference released on destruction.
class DispatchRef {
public:
    DispatchRef() = default;
    explicit DispatchRef(IDispatch* object) : object_(object) {}
    DispatchRef(DispatchRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    DispatchRef& operator=(DispatchRef&& other) noexcept;
    DispatchRef(const DispatchRef&) = delete;
    DispatchRef& operator=(const DispatchRef&) = delete;
    ~DispatchRef();
    IDispatch* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Each throws AutomationError when the call fails; arguments in their natural order.
    void Put(const wchar_t* name, VARIANT value) const;
    VARIANT Get(const wchar_t* name, std::initializer_list<VARIANT> args = {}) const;
    DispatchRef GetObject(const wchar_t* name, std::initializer_list<VARIANT> args = {}) const;
    VARIANT Call(const wchar_t* name, std::initializer_list<VARIANT> args = {}) const;
    DispatchRef CallObject(const wchar_t* name, std::initializer_list<VARIANT> args = {}) const;
    long GetLong(const wchar_t* name) const;
    std::wstring GetText(const wchar_t* name) const;

private:
    VARIANT Invoke(WORD flags, const wchar_t* name, std::initializer_list<VARIANT> args) const;
    IDispatch* object_ = nullptr;
};

struct AutomationError {
    HRESULT hr;
};

VARIANT BoolVariant(bool value);
VARIANT LongVariant(long value);
// Holds the string for as long as the variant is used.
class BstrVariant {
public:
    explicit BstrVariant(const std::wstring& text);
    ~BstrVariant();
    BstrVariant(const BstrVariant&) = delete;
    BstrVariant& operator=(const BstrVariant&) = delete;
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_{};
};

// One automation instance of progId, whose server process is serverExe (e.g. "EXCEL.EXE").
class OfficeInstance {
public:
    static constexpr int kWatchSteps = 61;
    static constexpr DWORD kWatchStepMs = 100;

    OfficeInstance(const wchar_t* progId, const wchar_t* serverExe);
    ~OfficeInstance();
    OfficeInstance(const OfficeInstance&) = delete;
    OfficeInstance& operator=(const OfficeInstance&) = delete;

    // Whether the program is installed at all (its ProgID is registered).
    bool Installed() const { return installed_; }
    // The application object, or empty when it could not be created.
    const DispatchRef& Application() const { return application_; }
    // The conversion is over: the watchdog stops waiting; the instance is ended if still there.
    void Finish();

private:
    void Watch();

    bool comInitialised_ = false;
    bool installed_ = false;
    DispatchRef application_;
    DWORD serverProcessId_ = 0;
    std::wstring serverExe_;
    std::atomic<bool> finished_{false};
    std::thread watchdog_;
};

}  // namespace qm::app
