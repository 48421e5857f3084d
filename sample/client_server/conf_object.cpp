#include "conf_object.h"

#include "client_folder.h"
#include "config_import.h"
#include "sample_object.h"
#include "wide_text.h"

#include "client/client_objects.h"
#include "common/bounded_copy.h"
#include "decimal_text.h"
#include "sample_names.h"
#include "win32/reg_key.h"

#include <string.h>

namespace {

const char finishText[] = "The ZORV Client V3 sample is ready.";

// The installed client's path: the tests' override when present (even an
// empty one, which reports "no client"), else this DLL's own folder.
bool clientPath(char* path, size_t capacity)
{
    RegKey settings;
    if (settings.open(HKEY_CURRENT_USER, SAMPLE_SETTINGS_KEY) && settings.readString("ClientPath", path,
                                                                                       static_cast<DWORD>(capacity)))
        return true;
    return clientFolder(path, capacity);
}

// A bare name names a file in the client folder and nothing else.
bool isBareName(const char* name)
{
    return name[0] != '\0' && strpbrk(name, "\\/:") == nullptr && strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

// The value as it goes into the configuration file: a string as it is, an
// integer in decimal. Any other kind is refused and named by its type number.
HRESULT valueAsText(const VARIANT& value, const char*& typeName, char* text, size_t capacity)
{
    char number[decimalTextCapacity];
    if (value.vt == VT_BSTR) {
        typeName = "BSTR";
        return bstrToAnsi(value.bstrVal, text, capacity) ? S_OK : E_INVALIDARG;
    }
    if (value.vt == VT_I4) {
        typeName = "I4";
        formatDecimal(value.lVal, number);
        copyBounded(text, capacity, number);
        return S_OK;
    }
    typeName = "VT";
    formatDecimal(value.vt, number);
    copyBounded(text, capacity, number);
    return DISP_E_TYPEMISMATCH;
}

class ConfigurationObject : public SampleObject<IZorvClientConf> {
public:
    ConfigurationObject() : SampleObject(IID_IZorvClientConf, "Zorv.Client.Conf") {}

    HRESULT STDMETHODCALLTYPE GetClientPath(BSTR* path) override
    {
        if (path == nullptr)
            return E_POINTER;
        *path = nullptr;
        char text[samplePathCapacity];
        if (!clientPath(text, sizeof text)) {
            serverJournal("GetClientPath failed");
            return E_FAIL;
        }
        *path = ansiToBstr(text);
        const char* words[] = { "GetClientPath", text };
        serverJournal(words, 2);
        return *path != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE QueryAtFinish(BSTR* text) override
    {
        serverJournal("QueryAtFinish");
        if (text == nullptr)
            return E_POINTER;
        *text = ansiToBstr(finishText);
        return *text != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE SetValue(BSTR section, BSTR key, VARIANT value) override
    {
        char sectionText[samplePathCapacity];
        char keyText[samplePathCapacity];
        char valueText[1024];
        const char* typeName = "";
        HRESULT result = valueAsText(value, typeName, valueText, sizeof valueText);
        bool named = bstrToAnsi(section, sectionText, sizeof sectionText) && bstrToAnsi(key, keyText, sizeof keyText)
            && sectionText[0] != '\0' && keyText[0] != '\0';
        if (SUCCEEDED(result) && !named)
            result = E_INVALIDARG;
        const char* outcome = "rejected";
        char iniPath[samplePathCapacity];
        if (SUCCEEDED(result) && (!clientFilePath(SAMPLE_CONFIG_NAME, iniPath, sizeof iniPath)
                                  || !WritePrivateProfileStringA(sectionText, keyText, valueText, iniPath))) {
            result = E_FAIL;
            outcome = "failed";
        }
        const char* words[] = { "SetValue", sectionText, keyText, typeName, valueText, outcome };
        serverJournal(words, SUCCEEDED(result) ? 5 : 6);
        return result;
    }

    HRESULT STDMETHODCALLTYPE ImportConfigFile(BSTR bareName) override
    {
        char name[samplePathCapacity];
        char source[samplePathCapacity];
        char target[samplePathCapacity];
        HRESULT result = E_INVALIDARG;
        const char* outcome = "rejected";
        if (bstrToAnsi(bareName, name, sizeof name) && isBareName(name)) {
            if (clientFilePath(name, source, sizeof source) && clientFilePath(SAMPLE_CONFIG_NAME, target, sizeof target))
                result = importConfigFile(source, target);
            outcome = SUCCEEDED(result) ? "ok" : result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? "missing" : "failed";
        }
        const char* words[] = { "ImportConfigFile", name, outcome };
        serverJournal(words, 3);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved13() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved16() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved20() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved21() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved22() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved23() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved24() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved25() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved27() override { return E_NOTIMPL; }
};

} // namespace

HRESULT createConfigurationObject(REFIID wanted, void** object)
{
    return SampleObject<IZorvClientConf>::create<ConfigurationObject>(wanted, object);
}
