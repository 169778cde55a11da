<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>tollmere</name>
    <message>
        <source>The file cannot be read.</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>No observation epoch could be decoded.</source>
        <translation>No observation epoch could be decoded.</translation>
    </message>
    <message>
        <source>The temporary folder could not be created or written.</source>
        <translation>The temporary folder could not be created or written.</translation>
    </message>
    <message>
        <source>An output file could not be written completely.</source>
        <translation>An output file could not be written completely.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>The conversion library %1 was not found: %2</source>
        <translation>The conversion library %1 was not found: %2</translation>
    </message>
    <message>
        <source>The conversion library %1 has no function %2.</source>
        <translation>The conversion library %1 has no function %2.</translation>
    </message>
    <message>
        <source>%1 m</source>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>%1 B</source>
        <translation>%1 B</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>The file no longer exists.</source>
        <translation>The file no longer exists.</translation>
    </message>
    <message>
        <source>Not a regular file (a pipe, device or folder); it was not read.</source>
        <translation>Not a regular file (a pipe, device or folder); it was not read.</translation>
    </message>
    <message>
        <source>The file is empty.</source>
        <translation>The file is empty.</translation>
    </message>
    <message>
        <source> The output folder was left as it was.</source>
        <translation> The output folder was left as it was.</translation>
    </message>
    <message>
        <source>The static header is truncated (%1 of 512 bytes).</source>
        <translation>The static header is truncated (%1 of 512 bytes).</translation>
    </message>
    <message>
        <source>Not a valid static file: unknown static header format code %1 (expected 0, 1000 or 1099).</source>
        <translation>Not a valid static file: unknown static header format code %1 (expected 0, 1000 or 1099).</translation>
    </message>
    <message>
        <source>No receiver data after the static header.</source>
        <translation>No receiver data after the static header.</translation>
    </message>
    <message>
        <source>Unknown format: no receiver data of a supported board format behind the static header.</source>
        <translation>Unknown format: no receiver data of a supported board format behind the static header.</translation>
    </message>
    <message>
        <source>Not a static file (no static header) and no receiver data of a supported board format.</source>
        <translation>Not a static file (no static header) and no receiver data of a supported board format.</translation>
    </message>
    <message>
        <source>The conversion library reported no reason.</source>
        <translation>The conversion library reported no reason.</translation>
    </message>
</context>
<context>
    <name>tollmere::CAboutDlg</name>
    <message>
        <source>Build Date:</source>
        <translation>Build Date:</translation>
    </message>
    <message>
        <source>About Tollmere</source>
        <translation>About Tollmere</translation>
    </message>
    <message>
        <source>Tollmere,Ver %1</source>
        <translation>Tollmere,Ver %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tollmere::CSetAnteHeightDlg</name>
    <message>
        <source>Phase center</source>
        <translation>Phase center</translation>
    </message>
    <message>
        <source>Slant height</source>
        <translation>Slant height</translation>
    </message>
    <message>
        <source>Vertical height to edge</source>
        <translation>Vertical height to edge</translation>
    </message>
    <message>
        <source>Altimetry</source>
        <translation>Altimetry</translation>
    </message>
    <message>
        <source>Vertical height to bottom</source>
        <translation>Vertical height to bottom</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>Point name </source>
        <translation>Point name </translation>
    </message>
    <message>
        <source>Antenna Measure Height</source>
        <translation>Antenna Measure Height</translation>
    </message>
    <message>
        <source>Antenna Measure Mode</source>
        <translation>Antenna Measure Mode</translation>
    </message>
    <message>
        <source>Antenna Param(R/H)</source>
        <translation>Antenna Param(R/H)</translation>
    </message>
    <message>
        <source>Antenna Param(L1/L2)</source>
        <translation>Antenna Param(L1/L2)</translation>
    </message>
    <message>
        <source>Output Antenna  Height</source>
        <translation>Output Antenna  Height</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Antenna height</source>
        <translation>Antenna height</translation>
    </message>
    <message>
        <source>m</source>
        <translation>m</translation>
    </message>
</context>
<context>
    <name>tollmere::CTollmereDlg</name>
    <message>
        <source>Tollmere</source>
        <translation>Tollmere</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>Antenna height</source>
        <translation>Antenna height</translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation>SIZE</translation>
    </message>
    <message>
        <source>date</source>
        <translation>date</translation>
    </message>
    <message>
        <source>Start time </source>
        <translation>Start time </translation>
    </message>
    <message>
        <source>Stop time</source>
        <translation>Stop time</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>Output path=Input path</source>
        <translation>Output path=Input path</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>About Tollmere(&amp;A)...</source>
        <translation>About Tollmere(&amp;A)...</translation>
    </message>
    <message>
        <source>Mixed V3.02</source>
        <translation>Mixed V3.02</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Rinex Version:</source>
        <translation>Rinex Version:</translation>
    </message>
    <message>
        <source>time Interval:</source>
        <translation>time Interval:</translation>
    </message>
    <message>
        <source>Output Ionospheric Corretions</source>
        <translation>Output Ionospheric Corretions</translation>
    </message>
    <message>
        <source>Phase Center</source>
        <translation>Phase Center</translation>
    </message>
    <message>
        <source>Flag Cycle Slip</source>
        <translation>Flag Cycle Slip</translation>
    </message>
    <message>
        <source>Set Station Coordinate With Single Point Position</source>
        <translation>Set Station Coordinate With Single Point Position</translation>
    </message>
    <message>
        <source>Export System:</source>
        <translation>Export System:</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>GLO</source>
        <translation>GLO</translation>
    </message>
    <message>
        <source>BeiDou</source>
        <translation>BeiDou</translation>
    </message>
    <message>
        <source>Galileo</source>
        <translation>Galileo</translation>
    </message>
    <message>
        <source>QZSS</source>
        <translation>QZSS</translation>
    </message>
    <message>
        <source>SBAS</source>
        <translation>SBAS</translation>
    </message>
    <message>
        <source>Freq Band:</source>
        <translation>Freq Band:</translation>
    </message>
    <message>
        <source>Single Freq</source>
        <translation>Single Freq</translation>
    </message>
    <message>
        <source>Multiple Freq</source>
        <translation>Multiple Freq</translation>
    </message>
    <message>
        <source>Are you sure to rechoose path?</source>
        <translation>Are you sure to rechoose path?</translation>
    </message>
    <message>
        <source>Please Select Path</source>
        <translation>Please Select Path</translation>
    </message>
    <message>
        <source>Find File Failed!</source>
        <translation>Find File Failed!</translation>
    </message>
    <message>
        <source>SELECT NONE</source>
        <translation>SELECT NONE</translation>
    </message>
    <message>
        <source>SELECT ALL</source>
        <translation>SELECT ALL</translation>
    </message>
    <message>
        <source>Path is empty, please select first</source>
        <translation>Path is empty, please select first</translation>
    </message>
    <message>
        <source>Select Export Satellite System!</source>
        <translation>Select Export Satellite System!</translation>
    </message>
    <message>
        <source>Select Version</source>
        <translation>Select Version</translation>
    </message>
    <message>
        <source>Please Select File</source>
        <translation>Please Select File</translation>
    </message>
    <message>
        <source>Status: Convert to Rinex </source>
        <translation>Status: Convert to Rinex </translation>
    </message>
    <message>
        <source>Convert to Rinex Error</source>
        <translation>Convert to Rinex Error</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Complete</translation>
    </message>
    <message>
        <source>No file header, can&apos;t edit antenna height</source>
        <translation>No file header, can&apos;t edit antenna height</translation>
    </message>
    <message>
        <source>A file named %1 already exists; %2 keeps its name.</source>
        <translation>A file named %1 already exists; %2 keeps its name.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Folder of the raw files; Enter lists it</source>
        <translation>Folder of the raw files; Enter lists it</translation>
    </message>
    <message>
        <source>Measuring method</source>
        <translation>Measuring method</translation>
    </message>
    <message>
        <source>Point name</source>
        <translation>Point name</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>The log of the conversions appears here.</source>
        <translation>The log of the conversions appears here.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Stops after the running file; the files after it are skipped.</source>
        <translation>Stops after the running file; the files after it are skipped.</translation>
    </message>
    <message>
        <source>Save log...</source>
        <translation>Save log...</translation>
    </message>
    <message>
        <source>Open output folder</source>
        <translation>Open output folder</translation>
    </message>
    <message>
        <source>Status: listing %1</source>
        <translation>Status: listing %1</translation>
    </message>
    <message>
        <source>Status: %1 raw files listed</source>
        <translation>Status: %1 raw files listed</translation>
    </message>
    <message>
        <source>cannot be converted: %1</source>
        <translation>cannot be converted: %1</translation>
    </message>
    <message>
        <source>Converting %1 files into %2</source>
        <translation>Converting %1 files into %2</translation>
    </message>
    <message>
        <source>File %1 of %2</source>
        <translation>File %1 of %2</translation>
    </message>
    <message>
        <source>%1: converted, files written: %2</source>
        <translation>%1: converted, files written: %2</translation>
    </message>
    <message>
        <source>%1: %2: %3</source>
        <translation>%1: %2: %3</translation>
    </message>
    <message>
        <source>%1 converted, %2 failed, %3 skipped</source>
        <translation>%1 converted, %2 failed, %3 skipped</translation>
    </message>
    <message>
        <source>%1 of %2 files done</source>
        <translation>%1 of %2 files done</translation>
    </message>
    <message>
        <source>Cancelled: %1 files skipped; the running file is finished first.</source>
        <translation>Cancelled: %1 files skipped; the running file is finished first.</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>waiting</translation>
    </message>
    <message>
        <source>converting</source>
        <translation>converting</translation>
    </message>
    <message>
        <source>converted, files written: %1</source>
        <translation>converted, files written: %1</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>failed: %1</translation>
    </message>
    <message>
        <source>skipped (cancelled)</source>
        <translation>skipped (cancelled)</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>The log could not be saved: %1</source>
        <translation>The log could not be saved: %1</translation>
    </message>
    <message>
        <source>Edit antenna height...</source>
        <translation>Edit antenna height...</translation>
    </message>
    <message>
        <source>File information...</source>
        <translation>File information...</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>Open containing folder</translation>
    </message>
    <message>
        <source>Not a static file (no static header, or an unknown header format code).</source>
        <translation>Not a static file (no static header, or an unknown header format code).</translation>
    </message>
    <message>
        <source>Marker name: %1</source>
        <translation>Marker name: %1</translation>
    </message>
    <message>
        <source>Receiver: %1</source>
        <translation>Receiver: %1</translation>
    </message>
    <message>
        <source>Antenna: %1 (number %2)</source>
        <translation>Antenna: %1 (number %2)</translation>
    </message>
    <message>
        <source>First observation: %1</source>
        <translation>First observation: %1</translation>
    </message>
    <message>
        <source>Last observation: %1</source>
        <translation>Last observation: %1</translation>
    </message>
    <message>
        <source>Position X Y Z: %1 %2 %3 m</source>
        <translation>Position X Y Z: %1 %2 %3 m</translation>
    </message>
    <message>
        <source>Antenna height: %1 m measured, method %2 (%3)</source>
        <translation>Antenna height: %1 m measured, method %2 (%3)</translation>
    </message>
    <message>
        <source>Phase centre (dH): %1 m</source>
        <translation>Phase centre (dH): %1 m</translation>
    </message>
    <message>
        <source>Antenna R H L1 L2: %1 %2 %3 %4 m</source>
        <translation>Antenna R H L1 L2: %1 %2 %3 %4 m</translation>
    </message>
    <message>
        <source>Log files (*.log *.txt)</source>
        <translation>Log files (*.log *.txt)</translation>
    </message>
</context>
</TS>
