-- Item database of a site on an Oracle server (12c or later), for SQL*Plus.
--
-- Not run by the project's tests: no Oracle server is at hand. It is kept as
-- close to postgresql.sql (which the tests run) as the two languages allow;
-- change both together.
--
-- Run it once, as the schema owner:
--   sqlplus USER/PASSWORD@TNSNAME @oracle.sql
-- Workstations reach the server with provider kind "2" (Qt's QOCI driver)
-- or through an Oracle ODBC data source. Oracle has nvl and dual already.
whenever sqlerror exit failure

-- Purchases: one row per asset; tag_id is set once its tag is issued.
create table slfanrfidmaster (
  purc_sno    varchar2(20) not null primary key,
  atcl_cat_no varchar2(10),
  atcl_siz_no varchar2(10),
  dept_code   varchar2(10),
  purc_ymd    varchar2(8),
  chg_amt     number(15),
  tag_proc    varchar2(1),
  tag_id      varchar2(40)
);
create index ix_slfanrfidmaster_ymd on slfanrfidmaster (purc_ymd);
create index ix_slfanrfidmaster_tag on slfanrfidmaster (tag_id);

-- Article sizes and categories.
create table slfanrfidspec (
  atcl_cat_no varchar2(10) not null,
  atcl_siz_no varchar2(10) not null,
  atcl_siz_nm varchar2(200),
  primary key (atcl_cat_no, atcl_siz_no)
);
create table slfanrfiditem (
  atcl_cat_no varchar2(10) not null primary key,
  atcl_cat_nm varchar2(200)
);

-- Departments; del_ymd is the day a department was abolished.
create table slfanrfiddept (
  dept_code varchar2(10) not null primary key,
  dept_nm   varchar2(100),
  del_ymd   varchar2(8)
);

-- Common codes: SLF001 is the organisation (code and name on the labels).
create table slfanrfidcommon (
  code_id  varchar2(10) not null,
  code     varchar2(20),
  code_ctn varchar2(200)
);

-- Users who may log in at a workstation.
create table slfanrfidauth (
  usr_sid varchar2(20) not null primary key,
  usr_nm  varchar2(50)
);

-- Every tag recorded or withdrawn, by the two procedures below.
create table slfanrfidtaghist (
  hist_sno  number generated always as identity primary key,
  proc_name varchar2(30) not null,
  pdaid     varchar2(100),
  tagidfull varchar2(100),
  ip_addr   varchar2(100),
  purc_sno  varchar2(100),
  tform     varchar2(100),
  twhy      varchar2(100),
  tuser     varchar2(100),
  proc_dt   date default sysdate not null
);

-- Open tag claims: a purchase whose label a workstation is about to print, or
-- has printed without the record yet. Committed before the label goes to the
-- printer and deleted in the transaction that records the tag (or voids it),
-- so every other workstation leaves the purchase alone meanwhile, whether its
-- owner is alive or not. tag_id is the new tag without its prefix; a reissue
-- names the tag it replaces in old_tag_id.
create table slfanrfidclaim (
  purc_sno    varchar2(20) not null primary key,
  tag_id      varchar2(40) not null unique,
  tagidfull   varchar2(100) not null,
  seq_no      varchar2(20) not null,
  run_kind    number(1) not null,
  old_tag_id  varchar2(40),
  ws_id       varchar2(40) not null,
  ws_name     varchar2(100),
  pdaid       varchar2(100),
  ip_addr     varchar2(100),
  tform       varchar2(100),
  tuser       varchar2(100),
  claimed_at  timestamp not null default localtimestamp
);
create index ix_slfanrfidclaim_ws on slfanrfidclaim (ws_id);

-- Tag serial numbers: shared by every workstation, never handed out twice.
create sequence seq_slfrfid_serialno start with 1 minvalue 1 nocache;

-- Records an issued tag: the purchase keeps the tag id without its prefix.
create or replace procedure sp_slarfidb_tag_print(p_pdaid varchar2, p_tagidfull varchar2,
                                                  p_ip_addr varchar2, p_purc_sno varchar2,
                                                  p_tform varchar2, p_tuser varchar2)
as
begin
  update slfanrfidmaster
     set tag_id = case when substr(p_tagidfull, 1, 6) = '05410D' then substr(p_tagidfull, 7)
                       else p_tagidfull end,
         tag_proc = 'Y'
   where purc_sno = p_purc_sno;
  insert into slfanrfidtaghist (proc_name, pdaid, tagidfull, ip_addr, purc_sno, tform, tuser)
  values ('SP_SLARFIDB_TAG_PRINT', p_pdaid, p_tagidfull, p_ip_addr, p_purc_sno, p_tform, p_tuser);
end;
/

-- Withdraws a tag (reissue, removal): the purchase is free for a new tag.
create or replace procedure sp_slarfidb_tag_remove(p_pdaid varchar2, p_tagidfull varchar2,
                                                   p_ip_addr varchar2, p_twhy varchar2,
                                                   p_tuser varchar2)
as
begin
  update slfanrfidmaster
     set tag_id = null,
         tag_proc = 'N'
   where tag_id = case when substr(p_tagidfull, 1, 6) = '05410D' then substr(p_tagidfull, 7)
                       else p_tagidfull end;
  insert into slfanrfidtaghist (proc_name, pdaid, tagidfull, ip_addr, twhy, tuser)
  values ('SP_SLARFIDB_TAG_REMOVE', p_pdaid, p_tagidfull, p_ip_addr, p_twhy, p_tuser);
end;
/

-- Inventory audits: one row per walk with a handheld reader (scope, file,
-- counts per category), one row per result of it (each tag read, each asset
-- of the scope). Audit numbers come from their own sequence.
create table slfanrfidaudit (
  audit_no      number(10) not null primary key,
  audit_dt      varchar2(19) not null,
  usr_sid       varchar2(20),
  scope         varchar2(400) not null,
  file_nm       varchar2(260),
  file_sha256   varchar2(64),
  read_cnt      number(10) not null,
  found_cnt     number(10) not null,
  missing_cnt   number(10) not null,
  elsewhere_cnt number(10) not null,
  withdrawn_cnt number(10) not null,
  unknown_cnt   number(10) not null,
  foreign_cnt   number(10) not null,
  untagged_cnt  number(10) not null
);
create table slfanrfidauditrow (
  audit_no    number(10) not null,
  row_no      number(10) not null,
  category    varchar2(10) not null,
  tag_id      varchar2(40),
  epc         varchar2(128),
  purc_sno    varchar2(20),
  dept_code   varchar2(10),
  atcl_cat_no varchar2(10),
  purc_ymd    varchar2(8),
  chg_amt     number(15),
  read_cnt    number(10) not null,
  note        varchar2(200),
  read_info   varchar2(400),
  primary key (audit_no, row_no)
);
create index ix_slfanrfidauditrow_sno on slfanrfidauditrow (purc_sno);
create index ix_slfanrfidtaghist_tag on slfanrfidtaghist (tagidfull);
create sequence seq_slfrfid_auditno start with 1 minvalue 1 nocache;

-- Site rows: the organisation and the first user. Edit before running.
insert into slfanrfidcommon (code_id, code, code_ctn) values ('SLF001', 'GG413500', '경기도 성남시');
insert into slfanrfidauth (usr_sid, usr_nm) values ('admin', '관리자');
commit;
