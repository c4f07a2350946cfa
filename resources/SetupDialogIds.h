#pragma once
// The setup dialog and its controls; shared by the resource script and the code.

#define IDD_SETUP 100

#define IDC_SETUP_SAMPLE_RATE 1000
#define IDC_SETUP_AUDIO_DEVICE 1001
#define IDC_SETUP_LATENCY 1002
#define IDC_SETUP_PRIMARY 1003
#define IDC_SETUP_INPUT_CHANNEL 1004
#define IDC_SETUP_OUTPUT_CHANNEL 1005
#define IDC_SETUP_MIDI_IN 1006
#define IDC_SETUP_MIDI_OUT 1007
#define IDC_SETUP_TEMPO 1008
