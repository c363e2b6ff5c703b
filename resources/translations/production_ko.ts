<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>ProductionPage</name>
    <message>
        <source>(as the module has it)</source>
        <translation>(모듈 값 그대로)</translation>
    </message>
    <message>
        <source>Model: %1</source>
        <translation>모델: %1</translation>
    </message>
    <message>
        <source>(any)</source>
        <translation>(모든 모델)</translation>
    </message>
    <message>
        <source>Role: %1</source>
        <translation>역할: %1</translation>
    </message>
    <message>
        <source>Name: %1</source>
        <translation>이름: %1</translation>
    </message>
    <message>
        <source>Fields: %1</source>
        <translation>항목: %1</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(없음)</translation>
    </message>
    <message>
        <source>The line&apos;s database cannot be reached; waiting for it.</source>
        <translation>라인 데이터베이스에 연결할 수 없습니다. 연결을 기다리는 중입니다.</translation>
    </message>
    <message>
        <source>Settings file</source>
        <translation>설정 파일</translation>
    </message>
    <message>
        <source>Type a path or choose a settings file</source>
        <translation>경로를 입력하거나 설정 파일을 선택하세요</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>선택…</translation>
    </message>
    <message>
        <source>Choose settings file</source>
        <translation>설정 파일 선택</translation>
    </message>
    <message>
        <source>Settings file summary</source>
        <translation>설정 파일 요약</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>포트</translation>
    </message>
    <message>
        <source>Ports matching</source>
        <translation>일치하는 포트</translation>
    </message>
    <message>
        <source>Ports matching a pattern</source>
        <translation>패턴과 일치하는 포트</translation>
    </message>
    <message>
        <source>Port pattern</source>
        <translation>포트 패턴</translation>
    </message>
    <message>
        <source>The ports ticked below</source>
        <translation>아래에서 선택한 포트</translation>
    </message>
    <message>
        <source>Fixture ports</source>
        <translation>지그 포트</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>새로 고침</translation>
    </message>
    <message>
        <source>Refresh the port list</source>
        <translation>포트 목록 새로 고침</translation>
    </message>
    <message>
        <source>Remote port</source>
        <translation>원격 포트</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>추가</translation>
    </message>
    <message>
        <source>Add remote port</source>
        <translation>원격 포트 추가</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>스테이션</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>작업자</translation>
    </message>
    <message>
        <source>Lot</source>
        <translation>로트</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>기록</translation>
    </message>
    <message>
        <source>This station&apos;s database (SQLite)</source>
        <translation>이 스테이션의 데이터베이스 (SQLite)</translation>
    </message>
    <message>
        <source>The line&apos;s database</source>
        <translation>라인 데이터베이스</translation>
    </message>
    <message>
        <source>Database address</source>
        <translation>데이터베이스 주소</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>시작</translation>
    </message>
    <message>
        <source>Start (F5)</source>
        <translation>시작 (F5)</translation>
    </message>
    <message>
        <source>Stop (Shift+F5)</source>
        <translation>정지 (Shift+F5)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>정지</translation>
    </message>
    <message>
        <source>Station status</source>
        <translation>스테이션 상태</translation>
    </message>
    <message>
        <source>Flash on FAIL</source>
        <translation>불합격 시 깜박임</translation>
    </message>
    <message>
        <source>Sound on FAIL</source>
        <translation>불합격 시 소리</translation>
    </message>
    <message>
        <source>Serial scan</source>
        <translation>시리얼 번호 스캔</translation>
    </message>
    <message>
        <source>Scan a serial number, then plug the unit in</source>
        <translation>시리얼 번호를 스캔한 뒤 제품을 연결하세요</translation>
    </message>
    <message>
        <source>Serial number for</source>
        <translation>시리얼 번호 대상</translation>
    </message>
    <message>
        <source>The next unit</source>
        <translation>다음 제품</translation>
    </message>
    <message>
        <source>Serial numbers waiting</source>
        <translation>대기 중인 시리얼 번호</translation>
    </message>
    <message>
        <source>Fixture</source>
        <translation>지그</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>제품 수</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>합격</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>불합격</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>직행률</translation>
    </message>
    <message>
        <source>Units per hour</source>
        <translation>시간당 제품 수</translation>
    </message>
    <message>
        <source>Last records</source>
        <translation>최근 기록</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>시각</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>포트</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>결과</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>이름</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>주소</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>시리얼 번호</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>사유</translation>
    </message>
    <message>
        <source>Settings file for the station</source>
        <translation>스테이션 설정 파일</translation>
    </message>
    <message>
        <source>Settings files (*.json)</source>
        <translation>설정 파일 (*.json)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>모든 파일 (*)</translation>
    </message>
    <message>
        <source>A remote port starts with rfc2217:// or socket://.</source>
        <translation>원격 포트는 rfc2217:// 또는 socket:// 로 시작합니다.</translation>
    </message>
    <message>
        <source>Choose a settings file first.</source>
        <translation>먼저 설정 파일을 선택하세요.</translation>
    </message>
    <message>
        <source>Tick the ports of the fixture first.</source>
        <translation>먼저 지그의 포트를 선택하세요.</translation>
    </message>
    <message>
        <source>Give a port pattern first.</source>
        <translation>먼저 포트 패턴을 입력하세요.</translation>
    </message>
    <message>
        <source>Give the line&apos;s database address first.</source>
        <translation>먼저 라인 데이터베이스 주소를 입력하세요.</translation>
    </message>
    <message>
        <source>Opening the record…</source>
        <translation>기록을 여는 중…</translation>
    </message>
    <message>
        <source>Stopping: no new unit starts; the running ones finish. Stop again to end them now.</source>
        <translation>정지 중: 새 제품은 시작하지 않고 진행 중인 제품은 끝까지 진행합니다. 바로 끝내려면 다시 정지를 누르세요.</translation>
    </message>
    <message>
        <source>Stopping: the running units end at their next safe point.</source>
        <translation>정지 중: 진행 중인 제품은 다음 안전한 지점에서 끝납니다.</translation>
    </message>
    <message>
        <source>Waiting: %1</source>
        <translation>대기: %1</translation>
    </message>
    <message>
        <source>Recording into %1. Plug modules into the fixture.</source>
        <translation>%1 에 기록합니다. 지그에 모듈을 연결하세요.</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>정지했습니다.</translation>
    </message>
    <message>
        <source>Transcript of %1</source>
        <translation>%1 통신 기록</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
    <message>
        <source>Stop now</source>
        <translation>지금 정지</translation>
    </message>
</context>
<context>
    <name>StationTile</name>
    <message>
        <source>PASS</source>
        <translation>합격</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>불합격</translation>
    </message>
    <message>
        <source>DUPLICATE</source>
        <translation>중복</translation>
    </message>
    <message>
        <source>Reading the module</source>
        <translation>모듈 읽는 중</translation>
    </message>
    <message>
        <source>Applying step %1 of %2</source>
        <translation>%2단계 중 %1단계 적용 중</translation>
    </message>
    <message>
        <source>Checking</source>
        <translation>확인 중</translation>
    </message>
    <message>
        <source>No module</source>
        <translation>모듈 없음</translation>
    </message>
    <message>
        <source>Plug in again</source>
        <translation>다시 연결하세요</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>대기</translation>
    </message>
    <message>
        <source>Configuring</source>
        <translation>설정 중</translation>
    </message>
    <message>
        <source>Listed before the start</source>
        <translation>시작 전부터 연결됨</translation>
    </message>
    <message>
        <source>Try %1</source>
        <translation>%1번째 시도</translation>
    </message>
    <message>
        <source>Serial %1</source>
        <translation>시리얼 번호 %1</translation>
    </message>
    <message>
        <source>Click to see the transcript</source>
        <translation>클릭하면 통신 기록을 봅니다</translation>
    </message>
</context>
</TS>
