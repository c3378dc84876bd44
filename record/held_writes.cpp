#include "record/held_writes.h"

#include <windows.h>

#include <string>
#include <utility>

#include "win/handles.h"

namespace {

class CHeldSink : public IRewindableSink {
public:
    CHeldSink(std::unique_ptr<IRewindableSink> file, CHandle gate) : m_file(std::move(file)), m_gate(std::move(gate)) {}
    void Write(const void* data, uint32_t count) override
    {
        Wait();
        m_file->Write(data, count);
    }
    void Rewind(uint32_t count) override { m_file->Rewind(count); }
    void WriteAt(uint64_t offset, const void* data, uint32_t count) override
    {
        Wait();
        m_file->WriteAt(offset, data, count);
    }

private:
    void Wait() { ::WaitForSingleObject(m_gate.Get(), INFINITE); }

    std::unique_ptr<IRewindableSink> m_file;
    CHandle m_gate;
};

}  // namespace

std::unique_ptr<IRewindableSink> HoldWritesWhenAsked(std::unique_ptr<IRewindableSink> file)
{
    wchar_t name[128];
    const DWORD length = ::GetEnvironmentVariableW(L"RAVLIN_HOLD_WRITES", name, 128);
    if (length == 0 || length >= 128)
        return file;
    CHandle gate(::CreateEventW(nullptr, TRUE, FALSE, name));
    if (!gate)
        return file;
    return std::make_unique<CHeldSink>(std::move(file), std::move(gate));
}
