#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <initializer_list>
#include <linux/input.h>
#include <span>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kelvara::testing {

// A keyboard that is a pipe: its read end goes to a key reader as an input device would, and what
// is written into it arrives as the kernel's records. Unplugged (its write end closed) with the
// object at the latest.
class KeyPipe
{
public:
    using Keys = std::initializer_list<std::pair<int, int>>;

    KeyPipe() { EXPECT_EQ(pipe2(m_fds, O_NONBLOCK | O_CLOEXEC), 0); }

    KeyPipe(const KeyPipe&) = delete;

    ~KeyPipe() { unplug(); }

    int readEnd() const { return m_fds[0]; }

    // Key transitions (a Linux key code and 1, 2 or 0), each after its scan code as a keyboard
    // sends them: in one report, or each in a report of its own.
    void report(Keys keys) { write(records(keys, false)); }

    void type(Keys keys) { write(records(keys, true)); }

    // Each key pressed and released.
    void press(std::initializer_list<int> codes)
    {
        for (const int code : codes) {
            type({{code, 1}, {code, 0}});
        }
    }

    void write(std::span<const input_event> records)
    {
        const auto bytes = ssize_t(records.size_bytes());
        ASSERT_EQ(::write(m_fds[1], records.data(), records.size_bytes()), bytes);
    }

    void unplug()
    {
        if (m_fds[1] >= 0) {
            ::close(std::exchange(m_fds[1], -1));
        }
    }

private:
    static std::vector<input_event> records(Keys keys, bool eachAlone)
    {
        std::vector<input_event> records;
        std::size_t left = keys.size();
        for (const auto& [code, value] : keys) {
            records.push_back(input_event{{}, EV_MSC, MSC_SCAN, 0x70000 + code});
            records.push_back(input_event{{}, EV_KEY, std::uint16_t(code), value});
            if (eachAlone || --left == 0) {
                records.push_back(input_event{{}, EV_SYN, SYN_REPORT, 0});
            }
        }
        return records;
    }

    int m_fds[2] = {-1, -1};
};

} // namespace kelvara::testing
