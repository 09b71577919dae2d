#pragma once
// A scripted keypad controller for the native tests: register values, a
// number of failing attempts per register, and a log of every access.
#include <functional>
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
        bool ok;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ok = Answers(readFailures, request.reg);
            if (ok)
                request.data = values.count(request.reg) ? values[request.reg] : 0;
            if (ok && request.reg == 28)
                values[28] = 0; // the change flags clear when read
            if (ok && request.reg == 18)
                lineLow = false;
            log.push_back({'R', request.slaveAddress, request.reg, request.data, ok});
        }
        Accessed('R', request.reg);
        return ok;
    }
    uint32_t WriteByte(SmbRequest& request) override {
        bool ok;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ok = Answers(writeFailures, request.reg);
            if (ok && request.reg == 7) // the mute write lands in the status' bit 0
                values[18] = (values[18] & ~1u) | (request.data & 1u);
            log.push_back({'W', request.slaveAddress, request.reg, request.data, ok});
        }
        Accessed('W', request.reg);
        return ok;
    }
    uint32_t GetValue(uint8_t& level) override {
        bool fails;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++getValueCalls;
            log.push_back({'G', 0, 0, 0, !gpiFails});
            fails = gpiFails;
            level = lineLow ? 0 : 1;
        }
        Accessed('G', 0);
        return fails ? 0x100 : 1; // only the low byte counts: 0x100 is a failure
    }

    void GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++versionCalls;
        driverVersion = 0x1A;
        libraryVersion = 0x20;
    }
    int versionCalls = 0;

    // Called after every access on the accessing thread, outside the
    // driver's own lock: a test may watch the accesses or hold one up.
    std::function<void(char op, uint16_t reg)> onAccess;

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
    void Accessed(char op, uint16_t reg) {
        if (onAccess)
            onAccess(op, reg);
    }
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
