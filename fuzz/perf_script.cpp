#include "perf_script.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <limits>

namespace {

// Writes what FuzzedDataProvider reads: byte runs from the front, integers
// from the back, each integer's most significant byte read first.
class CScriptWriter {
public:
    template <typename T>
    void InRange(T min, T max, T value)
    {
        const uint64_t ullRange = static_cast<uint64_t>(max) - static_cast<uint64_t>(min);
        const uint64_t ullRaw = static_cast<uint64_t>(value) - static_cast<uint64_t>(min);
        size_t cBytes = 0;
        while (cBytes * CHAR_BIT < sizeof(T) * CHAR_BIT && (ullRange >> (cBytes * CHAR_BIT)) > 0)
            ++cBytes;
        for (size_t i = cBytes; i > 0; --i)
            m_tail.push_back(static_cast<uint8_t>(ullRaw >> ((i - 1) * CHAR_BIT)));
    }

    template <typename T>
    void Integral(T value)
    {
        InRange<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), value);
    }

    void Bool(bool bValue) { Integral<uint8_t>(bValue ? 1 : 0); }

    void Bytes(const std::vector<BYTE>& data) { m_front.insert(m_front.end(), data.begin(), data.end()); }

    std::vector<uint8_t> Finish() const
    {
        std::vector<uint8_t> bytes(m_front);
        bytes.insert(bytes.end(), m_tail.rbegin(), m_tail.rend());
        return bytes;
    }

private:
    std::vector<uint8_t> m_front;
    std::vector<uint8_t> m_tail;  // in the order the provider reads it
};

bool KindCarriesValue(int nKind)
{
    return nKind != PAK_SUCCESS;
}

}  // namespace

PerfScript DecodePerfScript(FuzzedDataProvider& fdp)
{
    PerfScript script;
    script.dwProcessId = fdp.ConsumeIntegral<DWORD>();
    script.nFamily = fdp.ConsumeIntegralInRange<int>(0, SCRIPT_VERSION_FAILS);
    script.bKeysOpen = fdp.ConsumeBool();
    script.nSteps = fdp.ConsumeIntegralInRange<int>(1, SCRIPT_MAX_STEPS);
    script.uCheckedSteps = fdp.ConsumeIntegral<uint16_t>();
    script.dwWalkObject = fdp.ConsumeIntegral<DWORD>();
    script.dwWalkCounter = fdp.ConsumeIntegral<DWORD>();
    script.dwWalkOffset = fdp.ConsumeIntegral<DWORD>();
    script.llValueDiff = fdp.ConsumeIntegral<LONGLONG>();
    script.llTimeDiff = fdp.ConsumeIntegral<LONGLONG>();
    while (fdp.remaining_bytes() > 0 && script.answers.size() < SCRIPT_MAX_ANSWERS) {
        ScriptedAnswer answer;
        answer.nKind = fdp.ConsumeIntegralInRange<int>(0, PAK_LAST);
        answer.dwValue = KindCarriesValue(answer.nKind) ? fdp.ConsumeIntegral<DWORD>() : 0;
        answer.data = fdp.ConsumeBytes<BYTE>(fdp.ConsumeIntegralInRange<size_t>(0, SCRIPT_MAX_ANSWER_BYTES));
        script.answers.push_back(answer);
    }
    return script;
}

std::vector<uint8_t> EncodePerfScript(const PerfScript& script)
{
    CScriptWriter writer;
    writer.Integral<DWORD>(script.dwProcessId);
    writer.InRange<int>(0, SCRIPT_VERSION_FAILS, script.nFamily);
    writer.Bool(script.bKeysOpen);
    writer.InRange<int>(1, SCRIPT_MAX_STEPS, script.nSteps);
    writer.Integral<uint16_t>(static_cast<uint16_t>(script.uCheckedSteps));
    writer.Integral<DWORD>(script.dwWalkObject);
    writer.Integral<DWORD>(script.dwWalkCounter);
    writer.Integral<DWORD>(script.dwWalkOffset);
    writer.Integral<LONGLONG>(script.llValueDiff);
    writer.Integral<LONGLONG>(script.llTimeDiff);
    for (const ScriptedAnswer& answer : script.answers) {
        writer.InRange<int>(0, PAK_LAST, answer.nKind);
        if (KindCarriesValue(answer.nKind))
            writer.Integral<DWORD>(answer.dwValue);
        writer.InRange<size_t>(0, SCRIPT_MAX_ANSWER_BYTES, answer.data.size());
        writer.Bytes(answer.data);
    }
    return writer.Finish();
}

bool operator==(const ScriptedAnswer& a, const ScriptedAnswer& b)
{
    return a.nKind == b.nKind && a.dwValue == b.dwValue && a.data == b.data;
}

bool operator==(const PerfScript& a, const PerfScript& b)
{
    return a.dwProcessId == b.dwProcessId && a.nFamily == b.nFamily && a.bKeysOpen == b.bKeysOpen &&
           a.nSteps == b.nSteps && a.uCheckedSteps == b.uCheckedSteps && a.dwWalkObject == b.dwWalkObject &&
           a.dwWalkCounter == b.dwWalkCounter && a.dwWalkOffset == b.dwWalkOffset && a.llValueDiff == b.llValueDiff &&
           a.llTimeDiff == b.llTimeDiff && a.answers == b.answers;
}
