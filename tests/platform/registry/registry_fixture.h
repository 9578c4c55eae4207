// Every registry test runs against a database of its own in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dq-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        m_path = m_folder + "/registry.db";
        setenv("DQ_REGISTRY", m_path.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("DQ_REGISTRY");
        std::filesystem::remove_all(m_folder);
    }

    // The default value of HKCR\key as text, or the Win32 error as text.
    static std::u16string DefaultText(LPCWSTR key) {
        WCHAR buf[260];
        LONG size = sizeof buf;
        LONG e = RegQueryValueW(HKEY_CLASSES_ROOT, key, buf, &size);
        return e == ERROR_SUCCESS ? std::u16string(buf) : u"error " + Number(e);
    }
    static std::u16string Number(long n) {
        std::string s = std::to_string(n);
        return std::u16string(s.begin(), s.end());
    }

    std::string m_folder;
    std::string m_path;
};
