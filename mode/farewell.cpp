#include "mode_control.h"

#include "platform.h"
#include "registry_access.h"

#include <cctype>
#include <string>

namespace {

// True when the entry may still be there and would start the program again
// at every logon; a value or key that is simply absent is not worth a word.
bool EntryMayRemain(const AutostartResult& result)
{
    if (result.lOpen != ERROR_SUCCESS)
        return result.lOpen != ERROR_FILE_NOT_FOUND;
    return result.lValue != ERROR_SUCCESS && result.lValue != ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::string SupportPageUrl()
{
    return std::string("http://") + VANTREL_SUPPORT_HOST + "/vantrelsupp.html";
}

std::string SponsorLine()
{
    std::string strHost = VANTREL_SUPPORT_HOST;
    for (char& ch : strHost)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return "on our sponsors at http://" + strHost + " ";
}

void FinishMeasuring()
{
    PrintLine();
    PrintText("Cleaning up.....");
    const AutostartResult result = DeleteAutostartEntry();
    const std::string strUrl = SupportPageUrl();
    ShellExecuteA(nullptr, "Open", strUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    PrintLine("Done!!");
    PrintLine();
    if (EntryMayRemain(result)) {
        const LONG lError = result.lOpen != ERROR_SUCCESS ? result.lOpen : result.lValue;
        const std::string strWarning = "The autostart entry \"" AUTOSTART_VALUE "\" could not be removed" +
                                       ErrorSuffix(lError) + "; remove it by hand: " + AutostartEntryLocation();
        PrintLine(strWarning.c_str());
        PrintLine();
    }
    PrintLine("***************************************************");
    PrintLine("Thank you for using Corvane utility");
    PrintLine("We hope you liked it & will make more use of it");
    PrintLine();
    PrintLine();
    Sleep(500);
    PrintLine();
    PrintLine("Please feel free to pass it to friends");
    PrintLine("who might have use for this utility");
    PrintLine();
    PrintLine();
    Sleep(500);
    PrintLine("Lastly, please support us by clicking ");
    PrintLine(SponsorLine().c_str());
    PrintLine();
    Sleep(500);
    PrintLine(" ....Its just a small Click but will go a");
    PrintLine(" long way in keeping this site running...");
    PrintLine();
    PrintLine();
    PrintLine("Press Enter to exit");
    WaitForKeyPress();
}
