#pragma once
// Logs every port access in order, for tests that assert exact sequences.
// Accesses pass on to another port implementation when one is given;
// otherwise status reads answer from a script, then with a fixed value.

#include <cstdint>
#include <deque>
#include <vector>

#include "link/PortIo.h"

struct PortAccess {
    enum Kind : uint8_t { Out, In, Clock } kind;
    uint16_t port;
    uint8_t value;
    bool operator==(const PortAccess&) const = default;
};

class RecordingPortIo : public PortIo {
public:
    explicit RecordingPortIo(PortIo* inner = nullptr) : m_pInner(inner) {}

    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override;

    void ScriptStatus(std::deque<uint8_t> values) { m_script = std::move(values); }
    void SetDefaultStatus(uint8_t value) { m_nDefaultStatus = value; }

    const std::vector<PortAccess>& Log() const { return m_log; }
    void Clear() { m_log.clear(); }
    void SetLogging(bool on) { m_bLogging = on; }

private:
    PortIo* m_pInner;
    std::deque<uint8_t> m_script;
    uint8_t m_nDefaultStatus = 0x08;
    long m_nTicks = 0;
    bool m_bLogging = true;
    std::vector<PortAccess> m_log;
};
