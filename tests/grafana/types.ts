// The dashboard's JSON as @grafana/schema types it, for tsc --strict: the dashboard, each panel a
// table whose options and field configuration are the table panel's own, and each query a
// Prometheus data source's, with the fields Grafana's Prometheus query editor writes (expr,
// instant, range, format, legendFormat), which @grafana/schema leaves to the data source.
import type { Dashboard, DataQuery, Panel } from '@grafana/schema';
import type {
  FieldConfig as TableFieldConfig,
  Options as TableOptions,
} from '@grafana/schema/dist/esm/raw/composable/table/panelcfg/x/TablePanelCfg_types.gen';

// A type as JSON can hold it: each string enum as its values, which a JSON string is compared
// with; each numeric enum stays, as a JSON number is one of its values.
export type Json<T> = T extends string
  ? `${T}`
  : T extends number | boolean | null | undefined
    ? T
    : T extends Array<infer Item>
      ? Array<Json<Item>>
      : T extends object
        ? { [Key in keyof T]: Json<T[Key]> }
        : T;

export interface PrometheusQuery extends DataQuery {
  expr: string;
  instant?: boolean;
  range?: boolean;
  format?: 'table' | 'time_series' | 'heatmap';
  legendFormat?: string;
}

// Panel leaves `options` a record of anything, whatever its type parameters: a table's are
// typed here.
export type TablePanel = Omit<Panel<TableOptions, TableFieldConfig>, 'type' | 'targets' | 'options'> & {
  type: 'table';
  targets: PrometheusQuery[];
  options: TableOptions;
};

export type Checked = Omit<Dashboard, 'panels'> & { panels: TablePanel[] };
