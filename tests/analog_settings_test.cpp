// The lists of the analog input and analog output settings dialogs: what
// they offer, which item they show, and when a choice reaches the module.
#include "SettingsDialogDriver.h"
#include "torq7m/modules/AdModuleData.h"
#include "torq7m/modules/DaModuleData.h"

namespace torq7test {
namespace {

const DialogKind& kAnalogInput = kDialogKinds[0];
const DialogKind& kAnalogOutput = kDialogKinds[3];

constexpr int kAdLists[] = {IDC_RANGE, IDC_BUFFER_MODE, IDC_BUFFER_SIZE, IDC_START_METHOD};

const std::vector<std::string> kOutputRangeItems = {
    "0～5V(0.000～4.999)", "0～10V(0.000～9.998)", "±2.5V(-2.500～2.499)", "±5V(-5.000～4.998)",
    "±10V(-10.000～9.995)",
};

class AnalogSettingsTest : public SettingsDialogTest {
protected:
    AdModuleData& ad(standin::HostModule* module) { return *module->dataAs<AdModuleData>(); }
    DaModuleData& da(standin::HostModule* module) { return *module->dataAs<DaModuleData>(); }
};

TEST_F(AnalogSettingsTest, AnalogInputListsOfferTheirItemsAndShowTheStoredOnes)
{
    standin::HostModule* module = place(kAnalogInput);
    ad(module).nInputRange = 3;
    ad(module).nBufferMode = 1;
    ad(module).nBufferSize = 10;
    ad(module).nStartMethod = 1;
    openSettings(module, [&](HWND dialog) {
        EXPECT_EQ(ListItems(dialog, IDC_RANGE), (std::vector<std::string>{"0～5V", "0～10V", "±2.5V", "±5V", "±10V"}));
        EXPECT_EQ(ListItems(dialog, IDC_BUFFER_MODE), (std::vector<std::string>{"ドライバメモリ", "デバイスメモリ"}));
        EXPECT_EQ(ListItems(dialog, IDC_BUFFER_SIZE),
                  (std::vector<std::string>{"8KWord", "16KWord", "32KWord", "64KWord", "128KWord", "256KWord",
                                            "512KWord", "1MWord", "2MWord", "4MWord", "8MWord"}));
        EXPECT_EQ(ListItems(dialog, IDC_START_METHOD), (std::vector<std::string>{"ソフトトリガ", "外部トリガ"}));
        EXPECT_EQ(FieldText(dialog, IDC_RANGE), "±5V");
        EXPECT_EQ(FieldText(dialog, IDC_BUFFER_MODE), "デバイスメモリ");
        EXPECT_EQ(FieldText(dialog, IDC_BUFFER_SIZE), "8MWord");
        EXPECT_EQ(FieldText(dialog, IDC_START_METHOD), "外部トリガ");
        for (int list : kAdLists)
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, list))) << list;
        PressButton(dialog, IDCANCEL);
    });
}

TEST_F(AnalogSettingsTest, ChoicesReachTheModuleOnlyThroughAClosedListAndOk)
{
    struct Case {
        const char* what;
        bool closeList;
        bool ok;
        bool stored;
    };
    const Case cases[] = {
        {"chosen, OK", true, true, true},
        {"chosen, Cancel", true, false, false},
        {"selected without closing the list, OK", false, true, false},
    };
    for (const Case& c : cases) {
        standin::HostModule* module = place(kAnalogInput);
        const ModuleSnapshot before = ModuleSnapshot::Of(module);
        openSettings(module, [&](HWND dialog) {
            const int choices[] = {2, 1, 4, 1};
            for (unsigned i = 0; i < 4; ++i) {
                if (c.closeList)
                    ChooseFromList(dialog, kAdLists[i], choices[i]);
                else
                    SendDlgItemMessageA(dialog, kAdLists[i], CB_SETCURSEL, choices[i], 0);
            }
            PressButton(dialog, c.ok ? IDOK : IDCANCEL);
        });
        if (c.stored) {
            EXPECT_EQ(ad(module).nInputRange, 2) << c.what;
            EXPECT_EQ(ad(module).wRangeSpan, 5) << c.what;
            EXPECT_EQ(ad(module).fRangeHigh, 2.5f) << c.what;
            EXPECT_EQ(ad(module).fRangeLow, -2.5f) << c.what;
            EXPECT_EQ(ad(module).nBufferMode, 1) << c.what;
            EXPECT_EQ(ad(module).nBufferSize, 4) << c.what;
            EXPECT_EQ(ad(module).nStartMethod, 1) << c.what;
            openSettings(module, [&](HWND dialog) {
                EXPECT_EQ(FieldText(dialog, IDC_RANGE), "±2.5V");
                EXPECT_EQ(FieldText(dialog, IDC_BUFFER_SIZE), "128KWord");
                PressButton(dialog, IDCANCEL);
            });
        } else {
            EXPECT_EQ(ModuleSnapshot::Of(module).data, before.data) << c.what;
        }
        host().deleteModule(module);
    }
}

TEST_F(AnalogSettingsTest, ListsAreDisabledWhenOpenedDuringAMeasurement)
{
    standin::HostModule* input = place(kAnalogInput);
    standin::HostModule* output = place(kAnalogOutput);
    ad(input).nBufferSize = 2;
    da(output).nOutputRange = 4;
    ASSERT_TRUE(host().start(1.0, 10));
    openSettings(input, [&](HWND dialog) {
        for (int list : kAdLists)
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, list))) << list;
        EXPECT_EQ(FieldText(dialog, IDC_BUFFER_SIZE), "32KWord");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CHANNEL_NAME)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_MODULE_NAME)));
        PressButton(dialog, IDCANCEL);
    });
    openSettings(output, [&](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RANGE)));
        EXPECT_EQ(FieldText(dialog, IDC_RANGE), kOutputRangeItems[4]);
        Type(dialog, IDC_DESCRIPTION, "laufend");
        PressButton(dialog, IDOK);
    });
    EXPECT_STREQ(output->record()->szDescription, "laufend");
}

TEST_F(AnalogSettingsTest, OutputRangeListHasFiveItemsOnEveryOpenAndStoresTheClosedChoice)
{
    standin::HostModule* module = place(kAnalogOutput);
    EXPECT_EQ(da(module).nOutputRange, 0u);
    for (int open = 0; open < 2; ++open) {
        openSettings(module, [&](HWND dialog) {
            EXPECT_EQ(ListItems(dialog, IDC_RANGE), kOutputRangeItems) << "open " << open;
            EXPECT_EQ(ListSelection(dialog, IDC_RANGE), open == 0 ? 0 : 3);
            SendDlgItemMessageA(dialog, IDC_RANGE, CB_SETCURSEL, 1, 0);   // no close: not taken
            if (open == 0)
                ChooseFromList(dialog, IDC_RANGE, 3);
            PressButton(dialog, IDOK);
        });
        EXPECT_EQ(da(module).nOutputRange, 3u);
    }
}

// A damaged worksheet may bring an index that no item has.
TEST_F(AnalogSettingsTest, AStoredIndexWithoutAnItemShowsNoSelectionAndKeepsTheRangeLimits)
{
    standin::HostModule* input = place(kAnalogInput);
    ad(input).nInputRange = 7;
    ad(input).nBufferSize = -3;
    ad(input).wRangeSpan = 10;
    ad(input).fRangeHigh = 5.0f;
    ad(input).fRangeLow = -5.0f;
    openSettings(input, [&](HWND dialog) {
        EXPECT_EQ(ListSelection(dialog, IDC_RANGE), CB_ERR);
        EXPECT_EQ(ListSelection(dialog, IDC_BUFFER_SIZE), CB_ERR);
        ChooseFromList(dialog, IDC_RANGE, -1);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(ad(input).nInputRange, -1);
    EXPECT_EQ(ad(input).wRangeSpan, 10);
    EXPECT_EQ(ad(input).fRangeHigh, 5.0f);
    EXPECT_EQ(ad(input).fRangeLow, -5.0f);

    standin::HostModule* output = place(kAnalogOutput);
    da(output).nOutputRange = 9;
    openSettings(output, [&](HWND dialog) {
        EXPECT_EQ(ListSelection(dialog, IDC_RANGE), CB_ERR);
        EXPECT_EQ(ListItems(dialog, IDC_RANGE).size(), 5u);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(da(output).nOutputRange, 9u);
}

}  // namespace
}  // namespace torq7test
