// The staff roll: any click goes back to the title.

#include "app/vell.h"

bool CVell::OnStaffInput(UINT message, WPARAM, LogicalPoint) {
    return (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) && Transition(E_STATE_INPUT::BACK);
}
