<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>sKW Manager Information</source>
        <translation>sKW Manager 정보</translation>
    </message>
    <message>
        <source>This program is a PC program for configuring sKW52x and DTQ50.</source>
        <translation>본 프로그램은 sKW52x, DTQ50 설정 및 테스트 용 PC 프로그램입니다</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
</context>
<context>
    <name>ComPortCfgDlg</name>
    <message>
        <source>COM port settings for communication with device</source>
        <translation>GaX sKW 모듈과의 통신 설정</translation>
    </message>
    <message>
        <source>Com port</source>
        <translation>통신 포트</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>통신 속도</translation>
    </message>
    <message>
        <source>Flow control</source>
        <translation>흐름 제어 </translation>
    </message>
    <message>
        <source>Configurator</source>
        <translation>모듈 설정</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>시리얼 터미널</translation>
    </message>
    <message>
        <source>Production</source>
        <translation>생산</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
</context>
</TS>
