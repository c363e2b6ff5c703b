<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>CsKWEVBManagerDlg</name>
    <message>
        <source>Menu</source>
        <translation>메뉴</translation>
    </message>
    <message>
        <source>Setup COM port</source>
        <translation>COM 포트 설정</translation>
    </message>
    <message>
        <source>sKW Manager Info.</source>
        <translation>sKW Manager 정보</translation>
    </message>
    <message>
        <source>COM port closed</source>
        <translation>COM 포트 닫힘</translation>
    </message>
    <message>
        <source>Unable to open a COM port.</source>
        <translation>COM 포트를 열 수 없습니다.</translation>
    </message>
</context>
</TS>
