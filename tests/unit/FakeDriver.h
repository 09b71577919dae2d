#pragma once
// A scripted keypad controller for the native tests: register values, a
// number of failing attempts per register, and a log of every access.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "controller/ControllerDriver.h"

class FakeDriver : public ControllerDriver {
public:
    struct Access {
        char op; // 'R', 'W' or 'G'
        uint16_t slave;
        uint16_t reg;
        uint32_t data;
        bool ok;
    };

    uint32_t ReadByte(SmbRequest& request) override {
        std::lock_guard<std::mutex> lock(mutex_);
        bool ok = Answers(readFailures, request.reg);
        if (ok)
            request.data = values.count(request.reg) ? values[request.reg] : 0;
        if (ok && request.reg == 28)
            values[28] = 0; // the change flags clear when read
        if (ok && request.reg == 18)
            lineLow = false;
        log.push_back({'R', request.slaveAddress, request.reg, request.data, ok});
        return ok;
    }
    uint32_t WriteByte(SmbRequest& request) override {
        std::lock_guard<std::mutex> lock(mutex_);
        bool ok = Answers(writeFailures, request.reg);
        if (ok && request.reg == 7) // the mute write lands in the status' bit 0
            values[18] = (values[18] & ~1u) | (request.data & 1u);
        log.push_back({'W', request.slaveAddress, request.reg, request.data, ok});
        return ok;
    }
    uint32_t GetValue(uint8_t& level) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++getValueCalls;
        log.push_back({'G', 0, 0, 0, !gpiFails});
        if (gpiFails)
            return 0x100; // only the low byte counts: this is a failure
        level = lineLow ? 0 : 1;
        return 1;
    }

    // Registers read or written, in order, as "R28 R1 W9".
    std::string Accesses(bool withValues = false) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string out;
        for (const Access& a : log) {
            if (a.op == 'G')
                continue;
            if (!out.empty())
                out += ' ';
            out += a.op + std::to_string(a.reg);
            if (withValues && a.op == 'W')
                out += '=' + std::to_string(a.data);
        }
        return out;
    }
    void ClearLog() {
        std::lock_guard<std::mutex> lock(mutex_);
        log.clear();
    }
    int GetValueCalls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return getValueCalls;
    }
    void Set(uint16_t reg, uint32_t value) {
        std::lock_guard<std::mutex> lock(mutex_);
        values[reg] = value;
    }
    void RaiseLine() {
        std::lock_guard<std::mutex> lock(mutex_);
        lineLow = true;
    }

    std::map<uint16_t, uint32_t> values;
    std::map<uint16_t, int> readFailures;  // attempts that fail; -1 for ever
    std::map<uint16_t, int> writeFailures; // attempts that fail; -1 for ever
    bool gpiFails = false;
    bool lineLow = false;
    std::vector<Access> log;

private:
    static bool Answers(std::map<uint16_t, int>& failures, uint16_t reg) {
        auto it = failures.find(reg);
        if (it == failures.end() || it->second == 0)
            return true;
        if (it->second > 0)
            --it->second;
        return false;
    }
    std::mutex mutex_;
    int getValueCalls = 0;
};
