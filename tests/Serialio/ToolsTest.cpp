#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "Serialio/PortListOrder.h"
#include "Serialio/tool/FormatData.h"
#include "Serialio/tool/NaturalStringCompare.h"
#include "Serialio/tool/SortVector.h"
#include "Serialio/tool/StringCompare.h"

using namespace Serialio;
using Names = std::vector<std::string>;

TEST(Tools, StringCompareIgnoresCase) {
    StringCompare compare;
    EXPECT_TRUE(compare.lessThan("apple", "Banana"));
    EXPECT_FALSE(compare.lessThan("COM1", "com1"));
    EXPECT_TRUE(compare.lessThanOrEqual("COM1", "com1"));
    EXPECT_FALSE(compare.lessThanOrEqual("b", "A"));
}

TEST(Tools, NaturalOrderComparesNumbersByValue) {
    NaturalStringCompare compare;
    EXPECT_TRUE(compare.lessThan("ttyS2", "ttyS10"));
    EXPECT_TRUE(compare.lessThan("ttyS9", "ttyUSB0"));
    EXPECT_TRUE(compare.lessThan("COM2", "com10"));
    EXPECT_TRUE(compare.lessThan("tty", "tty0"));
    EXPECT_TRUE(compare.lessThanOrEqual("ttyS01", "ttyS1"));
    EXPECT_FALSE(compare.lessThan("ttyS1", "ttyS01"));
    EXPECT_EQ(NaturalStringCompare::order("ttyS99999999999999999999", "ttyS100000000000000000000"),
              -1);
}

TEST(Tools, SortVectorSortsWholeListsAndRanges) {
    SortVector sorter(std::make_shared<StringCompare>());
    Names names = {"delta", "Alpha", "charlie", "Bravo"};
    sorter.sort(names);
    EXPECT_EQ(names, (Names{"Alpha", "Bravo", "charlie", "delta"}));

    Names partly = {"z", "c", "b", "a", "y"};
    sorter.quickSort(partly, 1, 3);
    EXPECT_EQ(partly, (Names{"z", "a", "b", "c", "y"}));
    SortVector::swapElements(partly, 0, 4);
    EXPECT_EQ(partly.front(), "y");
    EXPECT_THROW(SortVector::swapElements(partly, 0, 5), std::out_of_range);

    Names empty;
    sorter.sort(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(Tools, ComPortsComeFirstByNumber) {
    EXPECT_EQ(orderComPortsFirst({"COM10", "COM2", "COM1"}), (Names{"COM1", "COM2", "COM10"}));
    EXPECT_EQ(orderComPortsFirst({"LPT1", "COM02", "COMX", "\\\\.\\CNCA0", "COM1"}),
              (Names{"COM1", "COM2", "LPT1", "\\\\.\\CNCA0", "COMX"}));
    EXPECT_TRUE(orderComPortsFirst({}).empty());
}

TEST(Tools, FormatDataWritesAndReadsHex) {
    std::vector<std::uint8_t> bytes = {'H', 'i', 0x0D, 0xFF};
    EXPECT_EQ(FormatData::getHexString(bytes), "48 69 0D FF");
    EXPECT_EQ(FormatData::getHexString(bytes, 1, 2), "69 0D");
    EXPECT_EQ(FormatData::getHexString(bytes, 3, 10), "FF");
    EXPECT_EQ(FormatData::getHexString(bytes, 9, 1), "");
    EXPECT_EQ(FormatData::getHexString(0xBEEF, 6), "00BEEF");
    EXPECT_EQ(FormatData::getAsciiHexString(bytes), "48 69 0D FF  Hi..");
    EXPECT_EQ(FormatData::getHexValue("ff"), 255u);
    EXPECT_EQ(FormatData::getHexValue("0x1A2b"), 0x1A2Bu);
    for (const char* bad : {"", "0x", "12G", "-1", "11112222333344445"}) {
        try {
            FormatData::getHexValue(bad);
            ADD_FAILURE() << bad;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Invalid hex value: ") + bad);
        }
    }
}
