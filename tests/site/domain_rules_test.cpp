#include "site/domain_rules.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct Case {
    const char* text;
    bool usable;
};

TEST(DomainRules, HostNamesAndIpv4LiteralsAreUsable) {
    const Case cases[] = {
        {"a.com", true},
        {"www.example.com", true},
        {"EXAMPLE.COM", true},
        {"a-b.c-d.cn", true},
        {"x", true},
        {"192.168.1.10", true},
        {"xn--fiqs8s.cn", true},
        {"1a.2b", true},
        {"", false},
        {".", false},
        {"..", false},
        {".a.com", false},
        {"a.com.", false},
        {"a..com", false},
        {"a/b.com", false},
        {"../etc", false},
        {"a b.com", false},
        {" a.com", false},
        {"a.com\t", false},
        {"a.com\r\n", false},
        {"a;b.com", false},
        {"a;touch x", false},
        {"$(id).com", false},
        {"a`id`.com", false},
        {"a{b}.com", false},
        {"a\"b.com", false},
        {"a'b.com", false},
        {"a|b.com", false},
        {"a\\b.com", false},
        {"*.a.com", false},
        {"a_b.com", false},
        {"a:80", false},
        {"-a.com", false},
        {"a-.com", false},
        {"a.-b.com", false},
        {"\xD6\xD0\xCE\xC4.com", false},  // 中文.com in GBK
        {"a\x7F.com", false},
        {"site.txt", false},  // the grid strips ".txt": the site could not be found again
        {"my.TXTbooks.com", false},
        {"mytxt.com", true},
    };
    for (const Case& c : cases) EXPECT_EQ(isUsableDomain(c.text), c.usable) << '"' << c.text << '"';
}

TEST(DomainRules, LengthLimitsOfLabelsAndNames) {
    const Text label63(63, 'a');
    EXPECT_TRUE(isUsableDomain(label63 + ".com"));
    EXPECT_FALSE(isUsableDomain(label63 + "a.com"));
    Text name = label63 + "." + label63 + "." + label63 + "." + Text(61, 'b');  // 253 bytes
    ASSERT_EQ(name.size(), 253u);
    EXPECT_TRUE(isUsableDomain(name));
    EXPECT_FALSE(isUsableDomain(name + "b"));
}

TEST(DomainRules, OnlyDottedQuadsAreUsableIpAddresses) {
    const Case cases[] = {
        {"127.0.0.1", true},   {"0.0.0.0", true},     {"255.255.255.255", true},
        {"192.0.2.1", true},   {"256.1.1.1", false},  {"1.2.3", false},
        {"1.2.3.4.5", false},  {"01.2.3.4", false},   {"1.2.3.4 ", false},
        {"1.2.3.4;x", false},  {"a.b.c.d", false},    {"::1", false},
        {"", false},           {"1..2.3", false},     {"1.2.3.", false},
        {"1.2.3.4/24", false}, {"1.2.3.1000", false}, {"\xA3\xB1.2.3.4", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isUsableIpAddress(c.text), c.usable) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace qm
