#pragma once

// Stops the serial reader of a status query if one runs, and closes the status port.
void korvalStopStatusQuery();
