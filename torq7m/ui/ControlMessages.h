// Message numbers and display states of the channel bar controls, and the
// messages the host sends a settings dialog; named once for the controls,
// the settings dialogs and the tests.
#pragma once

// Messages the owner sends a channel bar control, notifications a channel
// tab sends to its parent.
#define CTLM_SETSTATE 254
#define CTLN_PRESS 1025
#define CTLN_RELEASE 1026
#define CTLN_DOUBLECLICK 1027
#define CTLN_RIGHTDOUBLECLICK 1028
#define CTLM_DESELECT 1029

// States of the channel bar controls: a channel tab, and the remove and add
// arrows (held: pressed, until the button is released).
#define TAB_SELECTED 1u
#define TAB_PRESENT 2u
#define TAB_ABSENT 3u
#define ARROW_LESS_DISABLED 0u
#define ARROW_LESS_ENABLED 1u
#define ARROW_LESS_HELD 2u
#define ARROW_MORE_DISABLED 3u
#define ARROW_MORE_ENABLED 4u
#define ARROW_MORE_HELD 5u

// Messages from the host to a settings dialog: copy the selected channel's
// name to the other channels (only after the channel-name field had the
// focus, or always).
#define SDM_COPYNAME_IFFOCUSED 1031
#define SDM_COPYNAME_ALWAYS 1032
