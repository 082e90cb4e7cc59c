#include "mode_control.h"

#include "platform.h"

#include <cstdio>

int IdleThresholdFor(DWORD dwProcessors)
{
    // The idle share is summed over all processors, so one idle processor
    // out of several must not count as an idle machine.
    if (dwProcessors < 1)
        dwProcessors = 1;
    const long long llThreshold = static_cast<long long>(IDLE_THRESHOLD) * dwProcessors;
    return llThreshold > 2147483647LL ? 2147483647 : static_cast<int>(llThreshold);
}

DWORD WaitForIdleSettle(CCpuUsage& cpuUsage)
{
    const int nThreshold = IdleThresholdFor(GetLogicalProcessorCount());
    int nStreak = 0;
    DWORD dwStartTick = 0;
    bool bRunning = true;
    while (bRunning) {
        if (cpuUsage.ProcessUsage(IDLE_PROCESS_ID) < nThreshold) {
            nStreak = 0;
        } else {
            ++nStreak;
            if (nStreak == 1)
                dwStartTick = GetTickCount();
            else if (nStreak >= SETTLE_SAMPLES)
                bRunning = false;
        }
        Sleep(SAMPLE_PAUSE_MS);
    }
    return dwStartTick;
}

std::string FormatBootTime(DWORD dwStartTick)
{
    // Unsigned, so that a machine up for more than 24.8 days does not read
    // as negative; the seconds pass through single precision.
    const float fSeconds = static_cast<float>(static_cast<double>(dwStartTick) / 1000.0);
    char szText[96];
    std::snprintf(szText, sizeof(szText), "Windows Bootup Time =  %.3f  seconds ", static_cast<double>(fSeconds));
    return szText;
}

void RunMeasuringMode()
{
    CCpuUsage cpuUsage;
    PrintLine("Please wait....");
    PrintLine("IMPORTANT: Do not use mouse or keyboard at this time");
    const DWORD dwStartTick = WaitForIdleSettle(cpuUsage);
    PrintLine();
    PrintLine();
    const std::string strResult = FormatBootTime(dwStartTick);
    MessageBoxA(nullptr, strResult.c_str(), RESULT_CAPTION, MB_OK | MB_SYSTEMMODAL);
    FinishMeasuring();
}
