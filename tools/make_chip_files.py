#!/usr/bin/env python3
"""Writes the chip list and the chip description files of the ZR family into INCLUDE/.

The ZR family is the program's own sample family: five models that share one register map and
differ in memory size, in the analog blocks they have and in the options of their multiplexers.
The files are written with CR LF line ends, as the program's users write them on Windows. The
ZR200 file is stored in the Big5 code page (code page 950), the others in UTF-8, so both ways of
storing Chinese help texts ship with the program.

Run from the repository root:  python3 tools/make_chip_files.py
"""
import os
import shutil

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'INCLUDE')

# Bit registers: address, name, bit names (7..0), description, bit descriptions (7..0).
# Every description is "English / 中文".
CORE_BITS = [
    (0x04, 'STATUS', ['-', '-', '-', 'PD', 'TO', 'DC', 'C', 'Z'],
     'Status register / 狀態暫存器',
     ['reserved / 保留', 'reserved / 保留', 'reserved / 保留',
      'Power down flag / 省電旗標', 'Watchdog time-out flag / 看門狗逾時旗標',
      'Digit carry / 半進位', 'Carry / 進位', 'Zero / 零旗標']),
    (0x23, 'INTE', ['GIE', 'ADIE', 'CPIE', '-', 'TMIE', '-', '-', 'EXIE'],
     'Interrupt enable / 中斷致能',
     ['Global interrupt enable / 全域中斷致能', 'ADC interrupt enable / ADC 中斷致能',
      'Comparator interrupt enable / 比較器中斷致能', 'reserved / 保留',
      'Timer interrupt enable / 計時器中斷致能', 'reserved / 保留', 'reserved / 保留',
      'External interrupt enable / 外部中斷致能']),
    (0x24, 'INTF', ['-', 'ADIF', 'CPIF', '-', 'TMIF', '-', '-', 'EXIF'],
     'Interrupt flags / 中斷旗標',
     ['reserved / 保留', 'ADC interrupt flag / ADC 中斷旗標',
      'Comparator interrupt flag / 比較器中斷旗標', 'reserved / 保留',
      'Timer interrupt flag / 計時器中斷旗標', 'reserved / 保留', 'reserved / 保留',
      'External interrupt flag / 外部中斷旗標']),
    (0x25, 'OSCCR', ['-', '-', '-', '-', 'CKS1', 'CKS0', '-', 'ENOSC'],
     'Oscillator control / 振盪器控制',
     ['reserved / 保留'] * 4 + ['Clock select bit 1 / 時脈選擇位元 1',
                               'Clock select bit 0 / 時脈選擇位元 0', 'reserved / 保留',
                               'Oscillator enable / 振盪器致能']),
]

ADC_BITS = [
    (0x30, 'ADCCR', ['ENADC', 'ADCIF', 'ADCCK', 'ENCHP', 'ENHIGN', 'OSR2', 'OSR1', 'OSR0'],
     'ADC control / ADC 控制暫存器',
     ['ADC enable / ADC 致能', 'ADC interrupt flag / ADC 中斷旗標',
      'ADC clock select / ADC 時脈選擇', 'Chopper off / 截波器關閉',
      'High gain op-amp / 高增益運算放大器', 'Oversampling ratio bit 2 / 過取樣率位元 2',
      'Oversampling ratio bit 1 / 過取樣率位元 1', 'Oversampling ratio bit 0 / 過取樣率位元 0']),
    (0x31, 'ADCDIV', ['-', '-', '-', '-', '-', 'ADCS2', 'ADCS1', 'ADCS0'],
     'ADC output rate divider / ADC 輸出速率除頻',
     ['reserved / 保留'] * 5 + ['Divider bit 2 / 除頻位元 2', 'Divider bit 1 / 除頻位元 1',
                               'Divider bit 0 / 除頻位元 0']),
    (0x32, 'ANACR', ['ENVDDA', 'VDDA1', 'VDDA0', '-', '-', '-', '-', '-'],
     'Analog supply / 類比電源',
     ['Analog supply enable / 類比電源致能', 'Supply level bit 1 / 電壓選擇位元 1',
      'Supply level bit 0 / 電壓選擇位元 0'] + ['reserved / 保留'] * 5),
    (0x33, 'ADCBUF', ['INBUF', 'VRBUF', 'INIS', '-', '-', '-', 'INX1', 'INX0'],
     'ADC buffers / ADC 緩衝器',
     ['Input buffer off / 輸入緩衝器關閉', 'Reference buffer off / 參考電壓緩衝器關閉',
      'Input short / 輸入短路', 'reserved / 保留', 'reserved / 保留', 'reserved / 保留',
      'Input exchange bit 1 / 輸入交換位元 1', 'Input exchange bit 0 / 輸入交換位元 0']),
    (0x37, 'ADCMX', ['-', '-', 'INH2', 'INH1', 'INH0', 'INL2', 'INL1', 'INL0'],
     'ADC input select / ADC 通道選擇',
     ['reserved / 保留', 'reserved / 保留', 'Positive input bit 2 / 正端輸入位元 2',
      'Positive input bit 1 / 正端輸入位元 1', 'Positive input bit 0 / 正端輸入位元 0',
      'Negative input bit 2 / 負端輸入位元 2', 'Negative input bit 1 / 負端輸入位元 1',
      'Negative input bit 0 / 負端輸入位元 0']),
    (0x38, 'ADCVR', ['-', '-', '-', '-', 'VRH1', 'VRH0', 'VRL1', 'VRL0'],
     'ADC reference select / ADC 參考電壓選擇',
     ['reserved / 保留'] * 4 + ['High reference bit 1 / 高參考電壓位元 1',
                               'High reference bit 0 / 高參考電壓位元 0',
                               'Low reference bit 1 / 低參考電壓位元 1',
                               'Low reference bit 0 / 低參考電壓位元 0']),
    (0x3C, 'ADGCR', ['-', '-', '-', 'PGA1', 'PGA0', 'ADG2', 'ADG1', 'ADG0'],
     'ADC gain / ADC 增益',
     ['reserved / 保留'] * 3 + ['PGA gain bit 1 / PGA 增益位元 1',
                               'PGA gain bit 0 / PGA 增益位元 0',
                               'ADC gain bit 2 / ADC 增益位元 2',
                               'ADC gain bit 1 / ADC 增益位元 1',
                               'ADC gain bit 0 / ADC 增益位元 0']),
    (0x3D, 'ADREF', ['-', '-', '-', '-', 'VRGN', 'DCS2', 'DCS1', 'DCS0'],
     'ADC reference gain and offset / ADC 參考增益與偏移',
     ['reserved / 保留'] * 4 + ['Reference x 1/2 / 參考電壓 x 1/2',
                               'Offset bit 2 / 偏移位元 2', 'Offset bit 1 / 偏移位元 1',
                               'Offset bit 0 / 偏移位元 0']),
]

OP_BITS = [
    (0x35, 'OPCR', ['ENOP', 'OPM1', 'OPM0', 'OPIS', '-', '-', 'OPP1', 'OPP0'],
     'Op-amp control / 運算放大器控制',
     ['Op-amp enable / 運算放大器致能', 'Mode bit 1 / 模式位元 1', 'Mode bit 0 / 模式位元 0',
      'Input short / 輸入短路', 'reserved / 保留', 'reserved / 保留',
      'Positive input bit 1 / 正端輸入位元 1', 'Positive input bit 0 / 正端輸入位元 0']),
    (0x36, 'OPMX', ['-', '-', '-', '-', '-', 'OPN2', 'OPN1', 'OPN0'],
     'Op-amp negative input / 運算放大器負端輸入',
     ['reserved / 保留'] * 5 + ['Negative input bit 2 / 負端輸入位元 2',
                               'Negative input bit 1 / 負端輸入位元 1',
                               'Negative input bit 0 / 負端輸入位元 0']),
]

CMP_BITS = [
    (0x44, 'CMPCR', ['ENCPA', 'CPOIF', 'CPOIES', 'CPOX', 'CPOFR', 'CPIST', 'CPIX', 'CAPAT'],
     'Comparator control / 比較器控制',
     ['Comparator enable / 比較器致能', 'Comparator interrupt flag / 比較器中斷旗標',
      'Falling edge interrupt / 下降緣中斷', 'Output to pin / 輸出至接腳',
      'Output filter / 輸出濾波', 'Input short / 輸入短路', 'Input exchange / 輸入交換',
      'Capture trigger / 捕捉觸發']),
    (0x45, 'CMPMX', ['CS2', 'CS1', '-', 'CPIH1', 'CPIH0', 'CPIL2', 'CPIL1', 'CPIL0'],
     'Comparator input select / 比較器輸入選擇',
     ['Switch 2 / 開關 2', 'Switch 1 / 開關 1', 'reserved / 保留',
      'Positive input bit 1 / 正端輸入位元 1', 'Positive input bit 0 / 正端輸入位元 0',
      'Negative input bit 2 / 負端輸入位元 2', 'Negative input bit 1 / 負端輸入位元 1',
      'Negative input bit 0 / 負端輸入位元 0']),
    (0x46, 'CMPREF', ['ENREF', '-', 'CPVCS1', 'CPVCS0', 'CPVRS3', 'CPVRS2', 'CPVRS1', 'CPVRS0'],
     'Comparator reference / 比較器參考電壓',
     ['Reference output enable / 參考電壓輸出致能', 'reserved / 保留',
      'Reference source bit 1 / 參考來源位元 1', 'Reference source bit 0 / 參考來源位元 0',
      'Reference level bit 3 / 參考準位位元 3', 'Reference level bit 2 / 參考準位位元 2',
      'Reference level bit 1 / 參考準位位元 1', 'Reference level bit 0 / 參考準位位元 0']),
]


def port_bits(addr, name, prefix, what_en, what_cn):
    return (addr, name, ['%s%d' % (prefix, b) for b in range(7, -1, -1)],
            '%s / %s' % (what_en, what_cn),
            ['%s bit %d / %s 位元 %d' % (what_en, b, what_cn, b) for b in range(7, -1, -1)])


PORT_BITS = [
    port_bits(0x70, 'PT1', 'PT1', 'Port 1 data', '埠 1 資料'),
    port_bits(0x71, 'TC1', 'TC1', 'Port 1 tri-state', '埠 1 三態控制'),
    port_bits(0x72, 'PM1', 'PM1', 'Port 1 pin mode', '埠 1 接腳模式'),
    port_bits(0x73, 'DA1', 'DA1', 'Port 1 digital/analog', '埠 1 數位類比選擇'),
    port_bits(0x74, 'PT2', 'PT2', 'Port 2 data', '埠 2 資料'),
    port_bits(0x75, 'PT2OE', 'OE2', 'Port 2 output enable', '埠 2 輸出致能'),
]

# Firmware mailbox bytes in RAM bank 0, shown bit by bit; every bit exists (it is RAM).
FIRMWARE_BITS = [
    (0xA4, 'FWREQ', ['FWR7', 'BS6', 'BS5', 'BS4', 'BREQ', 'FWR2', 'FWR1', 'FWR0'],
     'Firmware block request (RAM) / 韌體區塊要求 (RAM)',
     ['free / 未用', 'block state 6 / 區塊狀態 6', 'block state 5 / 區塊狀態 5',
      'block state 4 / 區塊狀態 4', 'block request, cleared by the chip / 區塊要求，晶片完成後清除',
      'free / 未用', 'free / 未用', 'free / 未用']),
    (0xD2, 'FWCTL', ['START', 'STP6', 'REC', 'FWC4', 'FWC3', 'FWC2', 'FWC1', 'FWC0'],
     'Firmware test control (RAM) / 韌體測試控制 (RAM)',
     ['start or clear request, cleared by the chip / 開始要求，晶片完成後清除',
      'step state / 步驟狀態', 'start recording / 開始記錄', 'free / 未用', 'free / 未用',
      'free / 未用', 'free / 未用', 'free / 未用']),
    (0xF0, 'FWMODE', ['FWM7', 'FWM6', 'FWM5', 'FWM4', 'FWM3', 'BLOCK', 'STREAM', 'FWM0'],
     'Firmware mode (RAM) / 韌體模式 (RAM)',
     ['free / 未用'] * 5 + ['capture a block into RAM / 擷取一個區塊到 RAM',
                           'stream conversion results / 連續傳送轉換結果', 'free / 未用']),
]

REG1_BITS = [
    (0x180, 'CKCR2', ['-', '-', '-', '-', 'SCK1', 'SCK0', '-', 'ENSCK'],
     'Second clock control / 第二時脈控制',
     ['reserved / 保留'] * 4 + ['Sub clock bit 1 / 副時脈位元 1', 'Sub clock bit 0 / 副時脈位元 0',
                               'reserved / 保留', 'Sub clock enable / 副時脈致能']),
    (0x181, 'LVDCR', ['ENLVD', 'LVDF', '-', '-', '-', 'LVD2', 'LVD1', 'LVD0'],
     'Low voltage detector / 低電壓偵測',
     ['Detector enable / 偵測致能', 'Low voltage flag / 低電壓旗標', 'reserved / 保留',
      'reserved / 保留', 'reserved / 保留', 'Level bit 2 / 準位位元 2',
      'Level bit 1 / 準位位元 1', 'Level bit 0 / 準位位元 0']),
]

# Byte registers: address, name, mask, description.
BYTES_COMMON = [
    (0x29, 'WORK', 0xFF, 'Work register / 工作暫存器'),
    (0x34, 'ADCTRIM', 0xFF, 'ADC trim / ADC 微調'),
    (0x39, 'ADC0OL', 0xFF, 'ADC output, low byte / ADC 輸出低位元組'),
    (0x3A, 'ADC0OM', 0xFF, 'ADC output, middle byte / ADC 輸出中位元組'),
    (0x3E, 'ADCCAL0', 0xFF, 'ADC calibration 0 / ADC 校正 0'),
    (0x3F, 'ADCCAL1', 0xFF, 'ADC calibration 1 / ADC 校正 1'),
    (0x40, 'ADCCAL2', 0xFF, 'ADC calibration 2 / ADC 校正 2'),
    (0x49, 'ADCTST', 0xFF, 'ADC test / ADC 測試'),
    (0x7F, 'FWSYNC', 0xFF, 'Firmware sync byte (RAM) / 韌體同步位元組 (RAM)'),
    (0xAD, 'FWSHIFT', 0xFF, 'Firmware result shift (RAM) / 韌體結果位移 (RAM)'),
]
BYTE_ADC_HIGH = (0x3B, 'ADC0OH', 0xFF, 'ADC output, high byte / ADC 輸出高位元組')

# Word registers: high address, name, low address, high mask, low mask, description.
WORDS = [
    (0x0F, 'FSR0', 0x10, 0x03, 0xFF, 'Indirect address 0 / 間接定址 0'),
    (0x11, 'FSR1', 0x12, 0x03, 0xFF, 'Indirect address 1 / 間接定址 1'),
    (0x1A, 'TMR0', 0x1B, 0xFF, 0xFF, 'Timer 0 / 計時器 0'),
]

# The converter's clock ADC_CK in Hz with ADCCK0 = 0 and with ADCCK0 = 1 ("#ADCCLK"); the output
# rate is ADC_CK / (256 x 2^OSR) / 2^ADCS. The simulated converter runs on the same clock.
ADC_CLOCK_HZ = (2621440, 1310720)

MODELS = [
    dict(name='ZS300', size='(16K)', listed='ZS300.INC', file='ZS300.inc', rom=16384, id=0x5300,
         banks=[(0x07F, 0x0FF), (0x100, 0x17F), (0x200, 0x2FF), (0x300, 0x3FF)],
         reg1=(0x180, 0x1FF), adc_high=True, op=True, cmp=True, temperature=True, fluke=False,
         pages=[CORE_BITS, ADC_BITS, OP_BITS + CMP_BITS + PORT_BITS, FIRMWARE_BITS + REG1_BITS],
         inh='AI0 AI1 AI2 AI3 AI4 AI5 TSN TSP', inl='AI0 AI1 AI2 AI3 AI4 AI5 TSP TSN',
         vrh='VDDA VREF AI2 AI4', vrl='VSS AI3 AI5 -', vdda='2.4 2.7 3.0 3.3',
         opp='AI0 AI1 VCM DAC', opn='AI0 AI1 AI2 AI3 OPO VCM - -',
         cpih='AI0 AI1 -- VREF', cpil='AI0 AI1 AI2 AI3 OPO -- - -',
         captions=('PM1.6', 'TC1.6', 'DA1.6'), capbit=6, encoding='utf-8', lang='both'),
    dict(name='ZR300', size='(8K)', listed='zr300.inc', file='ZR300.INC', rom=8192, id=0x3300,
         banks=[(0x07F, 0x0FF), (0x100, 0x17F), (0x200, 0x2FF)], reg1=None,
         adc_high=True, op=True, cmp=True, temperature=True, fluke=False,
         pages=[CORE_BITS, ADC_BITS, OP_BITS + CMP_BITS + PORT_BITS, FIRMWARE_BITS],
         inh='AI0 AI1 AI2 AI3 - - TSN TSP', inl='AI0 AI1 AI2 AI3 - - TSP TSN',
         vrh='VDDA VREF AI2 -', vrl='VSS AI3 - -', vdda='2.4 2.7 3.0 3.3',
         opp='AI0 AI1 VCM -', opn='AI0 AI1 AI2 AI3 OPO VCM - -',
         cpih='AI0 AI1 -- -', cpil='AI0 AI1 AI2 AI3 -- - - -',
         captions=('PM1.7', 'TC1.7', 'DA1.7'), capbit=7, encoding='utf-8', lang='both'),
    dict(name='ZR200', size='(4K)', listed='FAMILY\\ZR200.INC', file='Family/zr200.inc',
         rom=4096, id=0x2200, banks=[(0x07F, 0x0FF), (0x100, 0x17F)], reg1=None,
         adc_high=True, op=True, cmp=False, temperature=False, fluke=False,
         pages=[CORE_BITS, ADC_BITS + OP_BITS + PORT_BITS],
         inh='AI0 AI1 AI2 AI3 - - TSN TSP', inl='AI0 AI1 AI2 AI3 - - TSP TSN',
         vrh='VDDA VREF - -', vrl='VSS AI3 - -', vdda='2.4 2.7 3.0 3.3',
         opp='AI0 AI1 VCM -', opn='AI0 AI1 AI2 AI3 OPO - - -',
         cpih=None, cpil=None, captions=None, capbit=7, encoding='cp950', lang='cn'),
    dict(name='ZR100', size='(2K)', listed='zr100.INC', file='ZR100.inc', rom=2048, id=0x1100,
         banks=[(0x07F, 0x0FF)], reg1=None,
         adc_high=False, op=False, cmp=True, temperature=False, fluke=False,
         pages=[CORE_BITS, ADC_BITS + CMP_BITS + PORT_BITS],
         inh='AI0 AI1 AI2 AI3 - - - -', inl='AI0 AI1 AI2 AI3 - - - -',
         vrh='VDDA VREF - -', vrl='VSS - - -', vdda='2.4 3.0 - -',
         opp=None, opn=None, cpih='AI0 AI1 -- -', cpil='AI0 AI1 -- - - - - -',
         captions=('PM1.7', 'TC1.7', 'DA1.7'), capbit=7, encoding='utf-8', lang='en'),
    # ZR100 and ZR400 take the plain Special header, which reaches only addresses below 0x100.
    dict(name='ZR400', size='(8K)', listed='Zr400.Inc', file='ZR400.INC', rom=8192, id=0x4400,
         banks=[(0x07F, 0x0FF)], reg1=None,
         adc_high=True, op=True, cmp=True, temperature=True, fluke=True,
         pages=[CORE_BITS, ADC_BITS, OP_BITS + CMP_BITS + PORT_BITS],
         inh='AI0 AI1 AI2 AI3 AI4 AI5 TSN TSP', inl='AI0 AI1 AI2 AI3 AI4 AI5 TSP TSN',
         vrh='VDDA VREF AI2 AI4', vrl='VSS AI3 AI5 -', vdda='2.4 2.7 3.0 3.3',
         opp='AI0 AI1 VCM DAC', opn='AI0 AI1 AI2 AI3 OPO VCM - -',
         cpih='AI0 AI1 -- VREF', cpil='AI0 AI1 AI2 AI3 OPO -- - -',
         captions=('PM1.7', 'TC1.7', 'DA1.7'), capbit=7, encoding='utf-8', lang='both'),
]


def text(desc, lang):
    en, cn = desc.split(' / ', 1)
    return {'en': en, 'cn': cn, 'both': desc}[lang]


def description(m):
    lang = m['lang']
    out = []
    add = out.append
    add('; %s chip description, ZR family' % m['name'])
    add('; every number: decimal, or hexadecimal with H, or binary with B')
    add('')
    add('#PRODUCT')
    add(m['name'])
    add('#COMPILER')
    add('ZRCC')
    add('#ID')
    add('%04XH' % m['id'])
    add('#ROM')
    add('%d' % m['rom'])
    add('#STACK')
    add('8')
    add('#SIMIC')
    add('0')
    add('#ADCCLK')
    add('%d %d        ; ADC_CK in Hz at ADCCK0 = 0 and 1' % ADC_CLOCK_HZ)
    add('#REG0')
    add('000H 07EH      ; special registers')
    if m['reg1']:
        add('#REG1')
        add('%03XH %03XH' % m['reg1'])
    for i, (start, end) in enumerate(m['banks']):
        add('#RAMBANK%d' % i)
        add('%03XH %03XH' % (start, end))
    if m['fluke']:
        add('#FLUKE')
        add('; lines after #FLUKE still belong to the last section')
    pages = m['pages']
    for p, regs in enumerate(pages):
        add('#REGBIT' + ('' if p == 0 else str(p)))
        for addr, name, bits, _, _ in regs:
            add(('%03XH  %-7s %s' % (addr, name, ' '.join('%-6s' % b for b in bits))).rstrip())
    add('#REGBYTE')
    bytes_ = list(BYTES_COMMON)
    if m['adc_high']:
        bytes_.insert(4, BYTE_ADC_HIGH)
    for addr, name, mask, _ in bytes_:
        add('%03XH  %-8s 0%02XH' % (addr, name, mask))
    add('#REGWORD')
    for hi, name, lo, hm, lm, _ in WORDS:
        add('%03XH  %-6s %03XH 0 0%02XH 0%02XH' % (hi, name, lo, hm, lm))
    add('#REG3BYTE')
    add('039H ADC0O 03BH')
    add('#SBMADDR')
    add('0F0H')

    add('#REGBITSTR')
    for regs in pages:
        for addr, name, bits, desc, bitdesc in regs:
            add('%03XH' % addr)
            add('"%s' % text(desc, lang))
            for d in bitdesc:
                add('"%s' % text(d, lang))
    add('#REGBYTESTR')
    for addr, name, mask, desc in bytes_:
        add('%03XH' % addr)
        add('"%s' % text(desc, lang))
    add('#REGWORDSTR')
    for hi, name, lo, hm, lm, desc in WORDS:
        add('%04XH' % (hi * 256 + lo))
        add('"%s' % text(desc, lang))
    if lang != 'en':
        add('#REGBITSTRCN')
        add('"（中文說明已寫在 #REGBITSTR）')

    add('#ADC0S')
    add(';addr  name     width pos  labels')
    add('037H   IN0H     3 3  ' + m['inh'])
    add('037H   IN0L     3 0  ' + m['inl'])
    add('038H   VR0H     2 2  ' + m['vrh'])
    add('038H   VR0L     2 0  ' + m['vrl'])
    add('033H   INX0     2 0')
    add('033H   IN0IS    1 5')
    add('033H   INBUF0   1 7')
    add('033H   VRBUF0   1 6')
    add('03CH   PGA0GN   2 3')
    add('03CH   AD0GN    3 0')
    add('03DH   VRE0GN   1 3')
    add('03DH   DCSET0   3 0')
    add('030H   ENADC0   1 7')
    add('030H   ADCIF    1 6')
    add('030H   ADCCK0   1 5')
    add('030H   ENCHP0   1 4')
    add('030H   ENHIGN0  1 3')
    add('030H   OSR0     3 0')
    add('031H   ADCS0    3 0')
    add('032H   ENVDDA   1 7')
    add('032H   VDDAX    2 5  ' + m['vdda'])
    if m['adc_high']:
        add('03BH   ADC0OH')
    add('03AH   ADC0OM')
    add('039H   ADC0OL')
    if m['temperature']:
        add('037H   TEMPERATURE')
    if m['op']:
        add('#OP0S')
        add('035H   OP0P     2 0  ' + m['opp'])
        add('036H   OP0N     3 0  ' + m['opn'])
        add('035H   ENOP     1 7')
        add('035H   OP0M     2 5')
        add('035H   OP0IS    1 4')
        add('032H   ENVDDA   1 7')
        add('032H   VDDAX    2 5  ' + m['vdda'])
    if m['cmp']:
        pm, tc, da = m['captions']
        bit = m['capbit']
        add('#CMP0S')
        add('045H   CPIH     2 3  ' + m['cpih'])
        add('045H   CPIL     3 0  ' + m['cpil'])
        add('044H   ENCPA    1 7')
        add('044H   CPOIF    1 6')
        add('044H   CPOIES   1 5')
        add('044H   CPOX     1 4')
        add('044H   CPOFR    1 3')
        add('044H   CPIST    1 2')
        add('044H   CPIX     1 1')
        add('044H   CAPAT    1 0')
        add('045H   CS2      1 7')
        add('045H   CS1      1 6')
        add('046H   ENREF    1 7')
        add('046H   CPVCS    2 4')
        add('046H   CPVRS    4 0')
        add('072H   PTMX     %s 1 %d' % (pm, bit))
        add('071H   TRISCX   %s 1 %d' % (tc, bit))
        add('073H   PTDAX    %s 1 %d' % (da, bit))
        add('032H   ENVDDA   1 7')
        add('032H   VDDAX    2 5  ' + m['vdda'])
    return out


def write(path, lines, encoding):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(('\r\n'.join(lines) + '\r\n').encode(encoding))


def main():
    for entry in os.listdir(ROOT):
        full = os.path.join(ROOT, entry)
        if entry != '.keep':
            shutil.rmtree(full) if os.path.isdir(full) else os.remove(full)
    chip_list = ['%-18s %-6s %-6s; %s' % (m['listed'], m['name'], m['size'],
                                            'description file, model, size')
                 for m in MODELS]
    write(os.path.join(ROOT, 'VekSel.INC'), chip_list, 'ascii')
    for m in MODELS:
        write(os.path.join(ROOT, m['file']), description(m), m['encoding'])


if __name__ == '__main__':
    main()
