#include "machine.h"

#include <windows.h>
#include <wbemidl.h>

namespace {

template <typename T>
void release(T *&object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}

bool Machine::processorDescription(QString *text)
{
    if (FAILED(CoInitialize(nullptr)))
        return false;
    HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(hr) && hr != RPC_E_TOO_LATE) {
        CoUninitialize();
        return false;
    }
    IWbemLocator *locator = nullptr;
    IWbemServices *services = nullptr;
    IEnumWbemClassObject *enumerator = nullptr;
    auto fail = [&]() {
        release(enumerator);
        release(services);
        release(locator);
        CoUninitialize();
        return false;
    };
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<LPVOID *>(&locator))))
        return fail();
    BSTR space = SysAllocString(L"ROOT\\CIMV2");
    hr = locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
    SysFreeString(space);
    if (FAILED(hr))
        return fail();
    if (FAILED(CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE)))
        return fail();
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM Win32_Processor");
    hr = services->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, &enumerator);
    SysFreeString(query);
    SysFreeString(language);
    if (FAILED(hr))
        return fail();
    for (;;) {
        IWbemClassObject *object = nullptr;
        ULONG returned = 0;
        enumerator->Next(WBEM_INFINITE, 1, &object, &returned);
        if (returned == 0)
            break;
        VARIANT name;
        VARIANT cores;
        VariantInit(&name);
        VariantInit(&cores);
        object->Get(L"Name", 0, &name, nullptr, nullptr);
        object->Get(L"NumberOfCores", 0, &cores, nullptr, nullptr);
        const QString processor = name.vt == VT_BSTR ? QString::fromWCharArray(name.bstrVal) : QString();
        *text = QStringLiteral("[%1]").arg(uint(cores.uintVal)) + processor;
        VariantClear(&name);
        VariantClear(&cores);
        object->Release();
    }
    release(enumerator);
    release(services);
    release(locator);
    CoUninitialize();
    return true;
}
